// Typology 8: cZIVETipologia8 and cZIVET10_Tipologia8, with the carry
// forward of closing stocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "forms/form_layout.h"
#include "forms/stock/cZIVETipologia8.h"
#include "frame/class_registry.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::StartsWith;

// The 112 column names after the key, family by family.
std::vector<std::string> familyNames() {
  std::vector<std::string> names;
  for (const char* f : {"EXINI", "ELAB", "EINTER", "ERESTO", "EIMPOR", "SCONSUM", "SINTER", "SRESTO", "SEXPOR",
                        "SEXENT", "OPEPRO", "EXFIN", "DIFER", "RECEP"})
    for (int s = 1; s <= 8; ++s) names.push_back("T10_" + std::string(f) + std::to_string(s));
  return names;
}

std::string joined(const std::vector<std::string>& items, const std::string& sep) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? sep : "") + items[i];
  return out;
}

class Tipologia8Test : public ServiceTest {
 protected:
  // Element i holds 1000 * secdec + i (element 0 the number).
  static Variant buffer(int32_t secdec) {
    VariantArray b = numberedBuffer(113, 1000.0 * secdec);
    b[0] = Variant(secdec);
    return Variant(std::move(b));
  }
  void saveDetail(int32_t secdec) {
    Variant b = buffer(secdec);
    service_.GuardarDeclaracion(b, Variant(true));
  }
  int storedRows() { return count(mod_, "T10_Tipologia8"); }
  cZIVETipologia8 service_;
};

TEST_F(Tipologia8Test, EveryColumnOfTheLayoutRoundTripsAndTheHeaderIsLeftAlone) {
  const auto& layout = forms::layoutTipologia8();
  ASSERT_EQ(layout.columns.size(), 113u);
  std::vector<std::string> names;
  for (const auto& c : layout.columns) names.push_back(c.name);
  std::vector<std::string> expected = familyNames();
  expected.insert(expected.begin(), "T10_SECDEC");
  EXPECT_EQ(names, expected);
  // The table holds the same fields, in another order.
  std::vector<std::string> fields = fieldNames(mod_, "T10_Tipologia8");
  std::sort(fields.begin(), fields.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(fields, expected);

  insertHeader(mod_, 5, 1, 2016, "1", 3, 8, "570");
  execute(mod_, "UPDATE T02_Declaraciones SET T02_IMPFIN = 9 WHERE T02_SECDEC = 5");
  saveDetail(5);
  Variant row = service_.CargarDeclaracion(5);
  ASSERT_TRUE(row.isArray());
  const VariantArray& a = row.array();
  ASSERT_EQ(a.ubound(), 113);
  EXPECT_EQ(a[0].toLong(), 5);
  for (int32_t i = 1; i <= 112; ++i) EXPECT_DOUBLE_EQ(a[i].toDouble(), 5000.0 + i) << names[i];
  EXPECT_DOUBLE_EQ(headerAmount(mod_, 5), 9.0);
  EXPECT_TRUE(service_.CargarDeclaracion(6).isNull());

  // False updates, -1 inserts.
  Variant b = buffer(5);
  b.array()[112] = Variant(-7.5);
  service_.GuardarDeclaracion(b, Variant(false));
  EXPECT_EQ(rows(mod_, "SELECT T10_RECEP8 FROM T10_Tipologia8")[0][0], "-7.5");
  service_.GuardarDeclaracion(b, Variant(int16_t{-1}));
  EXPECT_EQ(storedRows(), 2);
}

TEST_F(Tipologia8Test, StatementsAsWritten) {
  VariantArray b = numberedBuffer(113);
  b[0] = Variant(int32_t{5});
  b[1] = Variant(0.1 + 0.2);
  b[2] = Variant(1234.5);
  Variant buffer(std::move(b));
  StatementLog log;
  service_.GuardarDeclaracion(buffer, Variant(true));
  service_.GuardarDeclaracion(buffer, Variant(false));
  service_.CargarDeclaracion(5);

  std::vector<std::string> values{"5", "0.3", "1234.5"};
  for (int i = 4; i <= 113; ++i) values.push_back(std::to_string(i));
  std::vector<std::string> names = familyNames();
  std::vector<std::string> items;
  for (std::size_t i = 0; i < names.size(); ++i) items.push_back(names[i] + " = " + values[i + 1]);
  EXPECT_THAT(log.startingWith("insert into T10"),
              ::testing::ElementsAre("insert into T10_Tipologia8 (T10_SECDEC, " + joined(names, ",") + ") VALUES (" +
                                     joined(values, ",") + ")"));
  EXPECT_THAT(log.startingWith("Update T10"),
              ::testing::ElementsAre("Update T10_Tipologia8 set " + joined(items, ",") + " WHERE T10_SECDEC = 5"));
  EXPECT_TRUE(log.contains("Select T10_SECDEC," + joined(names, ",") +
                           " from T10_Tipologia8 where T10_Tipologia8.T10_SECDEC =5"));
  EXPECT_TRUE(log.startingWith("Update T02").empty());
}

// --- Carry forward -------------------------------------------------------------

// The closing stocks of row `row` (-1 for a Null).
std::vector<double> stocks(const Variant& table, int32_t row) {
  std::vector<double> out;
  for (int32_t c = 0; c < 8; ++c) {
    const Variant& v = table.array().at({c, row});
    out.push_back(v.isNull() ? -1 : v.toDouble());
  }
  return out;
}

// The closing stocks saved for `secdec` (0: a row of Nulls).
std::vector<double> stocksOf(int32_t secdec) {
  std::vector<double> out;
  for (int s = 1; s <= 8; ++s) out.push_back(secdec ? 1000.0 * secdec + 1 + 8 * 11 + (s - 1) : -1);
  return out;
}

TEST_F(Tipologia8Test, CarryForwardOfClosingStocks) {
  struct Header {
    int32_t secdec, csde, year;
    const char* periodicity;
    int32_t period, typology;
    bool detail;
  };
  for (const Header& h : std::vector<Header>{
           {40, 3, 2014, "1", 11, 8, true}, {41, 3, 2014, "1", 12, 8, true},
           {42, 3, 2015, "1", 1, 9, true},   // another typology
           {43, 3, 2015, "3", 1, 8, true},   // another periodicity
           {44, 4, 2015, "1", 1, 8, true},   // another declarant
           {46, 3, 2016, "1", 1, 8, false},  // a later year
           {48, 3, 2014, "1", 12, 8, true},  // the same period as 41
           {50, 3, 2015, "1", 6, 8, true},  {51, 3, 2015, "1", 2, 8, false},
           {60, 6, 2014, "1", 5, 8, false}}) {
    insertHeader(mod_, h.secdec, h.csde, h.year, h.periodicity, h.period, h.typology, "570");
    if (h.detail) saveDetail(h.secdec);
  }
  struct Case {
    const char* name;
    int32_t year;
    const char* periodicity;
    int32_t secdec, declarant;
    std::vector<int32_t> from;  // the returns whose stocks come back; none: Null; 0: a row of Nulls
  };
  const std::vector<Case> cases = {
      {"the first return", 2016, "1", 99, 5, {}},
      {"the latest earlier return", 2015, "1", 45, 3, {41}},
      {"returns recorded later never count", 2015, "1", 39, 3, {}},
      {"preparing 41 itself", 2015, "1", 41, 3, {40}},
      {"other typologies, periodicities, declarants, later years", 2015, "1", 47, 3, {41}},
      {"the periodicity compared as text", 2015, "01", 47, 3, {}},
      {"another periodicity", 2015, "3", 47, 3, {43}},
      {"a later period of the year recorded earlier", 2015, "1", 52, 3, {50}},
      {"ties on year and period", 2015, "1", 49, 3, {41, 48}},
      {"a header without detail", 2015, "1", 61, 6, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant t = service_.CargarExisFinales(c.year, c.periodicity, c.secdec, c.declarant);
    if (c.from.empty()) {
      EXPECT_TRUE(t.isNull());
      continue;
    }
    ASSERT_TRUE(t.isArray());
    const VariantArray& a = t.array();
    EXPECT_EQ(a.ubound(1), 8);
    ASSERT_EQ(a.ubound(2), int32_t(c.from.size()));
    for (int32_t col = 0; col <= 8; ++col) EXPECT_TRUE(a.at({col, 0}).isEmpty());
    EXPECT_TRUE(a.at({8, 1}).isEmpty());
    std::vector<std::vector<double>> got, expected;
    for (int32_t r = 1; r <= a.ubound(2); ++r) got.push_back(stocks(t, r));
    for (int32_t s : c.from) expected.push_back(stocksOf(s));
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
  }

  StatementLog log;
  service_.CargarExisFinales(2015, "1", 45, 3);
  EXPECT_THAT(
      log.startingWith("Select top 1 T10_EXFIN1"),
      ::testing::ElementsAre(
          "Select top 1 T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 "
          "from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on T02_Declaraciones.T02_Secdec = "
          "T10_Tipologia8.T10_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and T02_Declaraciones.T02_Tipol = 8 "
          "and T02_Declaraciones.T02_PERDAD = '1' and T02_Declaraciones.T02_EJER <= 2015 AND "
          "T02_Declaraciones.T02_Secdec < 45 order by T02_Declaraciones.T02_EJER desc, "
          "T02_Declaraciones.T02_PERNUM desc"));

  auto object = CreateObject("svrZIVE.cZIVETipologia8");
  object->let("mdbmod", Variant(mod_));
  Variant t = object->call("CargarExisFinales",
                           {Variant(int32_t{2015}), Variant("1"), Variant(int32_t{45}), Variant(int32_t{3})});
  EXPECT_EQ(stocks(t, 1), stocksOf(41));
  // A failing carry forward is the service's only.
  execute(mod_, "DROP TABLE T10_Tipologia8");
  Raised carry = raisedBy([&] { service_.CargarExisFinales(2016, "1", 9, 1); });
  EXPECT_THAT(carry.description, StartsWith("cZIVETipologia8.CargarExisFinales"));
  EXPECT_THAT(carry.description, ::testing::Not(::testing::HasSubstr("cZIVET10")));
}

}  // namespace
}  // namespace svrZIVE::testing
