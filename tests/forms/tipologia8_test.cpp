// Typology 8: cZIVETipologia8 and cZIVET10_Tipologia8, with the carry
// forward of closing stocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "declarations/cZIVEDeclaraciones.h"
#include "forms/form_layout.h"
#include "forms/stock/cZIVETipologia8.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::StartsWith;

const std::vector<std::string> kFamilies = {"EXINI",  "ELAB",   "EINTER", "ERESTO", "EIMPOR", "SCONSUM", "SINTER",
                                            "SRESTO", "SEXPOR", "SEXENT", "OPEPRO", "EXFIN",  "DIFER",   "RECEP"};

// The 112 column names after the key, family by family.
std::vector<std::string> familyNames() {
  std::vector<std::string> names;
  for (const std::string& f : kFamilies)
    for (int s = 1; s <= 8; ++s) names.push_back("T10_" + f + std::to_string(s));
  return names;
}

std::string joined(const std::vector<std::string>& items, const std::string& sep) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? sep : "") + items[i];
  return out;
}

class Tipologia8Test : public FormsTest {
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
  int storedRows() { return std::stoi(rows(mod_, "SELECT COUNT(*) FROM T10_Tipologia8")[0][0]); }
  // Closing stock of slot s (1..8) in the buffer of `secdec`.
  static double exfin(int32_t secdec, int s) { return 1000.0 * secdec + 1 + 8 * 11 + (s - 1); }
  cZIVETipologia8 service_;
};

TEST_F(Tipologia8Test, LayoutIsFamilyByFamilyOverTheTablesFields) {
  const auto& layout = forms::layoutTipologia8();
  ASSERT_EQ(layout.columns.size(), 113u);
  std::vector<std::string> names;
  for (std::size_t i = 1; i < layout.columns.size(); ++i) names.push_back(layout.columns[i].name);
  EXPECT_EQ(names, familyNames());
  std::vector<std::string> fields = fieldNames(mod_, "T10_Tipologia8");
  std::vector<std::string> ours{"T10_SECDEC"};
  ours.insert(ours.end(), names.begin(), names.end());
  std::sort(fields.begin(), fields.end());
  std::sort(ours.begin(), ours.end());
  EXPECT_EQ(fields, ours);
}

TEST_F(Tipologia8Test, EveryColumnRoundTripsAndTheHeaderIsLeftAlone) {
  insertHeader(mod_, 5, 1, 2016, "1", 3, 8, "570");
  execute(mod_, "UPDATE T02_Declaraciones SET T02_IMPFIN = 9 WHERE T02_SECDEC = 5");
  saveDetail(5);
  Variant row = service_.CargarDeclaracion(5);
  ASSERT_TRUE(row.isArray());
  const VariantArray& a = row.array();
  ASSERT_EQ(a.ubound(), 113);
  EXPECT_EQ(a[0].toLong(), 5);
  for (int32_t i = 1; i <= 112; ++i) EXPECT_DOUBLE_EQ(a[i].toDouble(), 5000.0 + i) << "element " << i;
  EXPECT_DOUBLE_EQ(headerAmount(mod_, 5), 9.0);
  EXPECT_TRUE(service_.CargarDeclaracion(6).isNull());
}

TEST_F(Tipologia8Test, InsertWhenExactlyTrueUpdateOtherwise) {
  saveDetail(5);
  for (Variant flag : {Variant(false), Variant(int32_t{1}), Variant(), Variant("True")}) {
    Variant b = buffer(5);
    b.array()[112] = Variant(-7.5);
    service_.GuardarDeclaracion(b, flag);
    EXPECT_EQ(storedRows(), 1);
    EXPECT_EQ(rows(mod_, "SELECT T10_RECEP8 FROM T10_Tipologia8")[0][0], "-7.5");
    execute(mod_, "UPDATE T10_Tipologia8 SET T10_RECEP8 = 0");
  }
  Variant b = buffer(5);
  service_.GuardarDeclaracion(b, Variant(int16_t{-1}));
  EXPECT_EQ(storedRows(), 2);
}

TEST_F(Tipologia8Test, BadBuffersFailBeforeAnyDatabaseIsOpened) {
  ZIVEGeneral::setModifiablePath((dir_.path() / "missing" / "ZIVEMOD.MDB").string());
  struct Case {
    Variant buffer;
    int32_t error;
  };
  auto with = [](int32_t i, Variant v) {
    Variant b = buffer(5);
    b.array()[i] = std::move(v);
    return b;
  };
  std::vector<Case> cases = {{Variant(numberedBuffer(112)), 9},
                             {with(60, Variant::null()), 94},
                             {with(112, Variant("x")), 13},
                             {with(0, Variant(2147483648.0)), 6}};
  StatementLog log;
  for (Case& c : cases) {
    Raised r = raisedBy([&] { service_.GuardarDeclaracion(c.buffer, Variant(true)); });
    EXPECT_EQ(r.number, c.error);
    EXPECT_THAT(r.description, StartsWith("cZIVETipologia8.GuardarDeclaracion"));
  }
  EXPECT_TRUE(log.statements().empty());
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

  auto inserts = log.startingWith("insert into T10");
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(inserts[0], "insert into T10_Tipologia8 (T10_SECDEC, " + joined(names, ",") + ") VALUES (" +
                            joined(values, ",") + ")");
  auto updates = log.startingWith("Update T10");
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0], "Update T10_Tipologia8 set " + joined(items, ",") + " WHERE T10_SECDEC = 5");
  EXPECT_THAT(log.statements(), ::testing::Contains("Select T10_SECDEC," + joined(names, ",") +
                                                    " from T10_Tipologia8 where T10_Tipologia8.T10_SECDEC =5"));
  EXPECT_TRUE(log.startingWith("Update T02").empty());
}

TEST_F(Tipologia8Test, ErrorsNestServiceFirst) {
  execute(mod_, "DROP TABLE T10_Tipologia8");
  Variant b = buffer(5);
  EXPECT_THAT(raisedBy([&] { service_.GuardarDeclaracion(b, Variant(true)); }).description,
              StartsWith("cZIVETipologia8.GuardarDeclaracioncZIVET10_Tipologia8.InsertarDeclaracion"));
  EXPECT_THAT(raisedBy([&] { service_.GuardarDeclaracion(b, Variant(false)); }).description,
              StartsWith("cZIVETipologia8.GuardarDeclaracioncZIVET10_Tipologia8.GuardarDeclaracion"));
  Raised carry = raisedBy([&] { service_.CargarExisFinales(2016, "1", 9, 1); });
  EXPECT_THAT(carry.description, StartsWith("cZIVETipologia8.CargarExisFinales"));
  EXPECT_THAT(carry.description, ::testing::Not(::testing::HasSubstr("cZIVET10")));
  cZIVEDeclaraciones declaraciones;
  EXPECT_THAT(raisedBy([&] { declaraciones.EliminarDeclaraciones(5, 8); }).description,
              StartsWith("cZIVEDeclaraciones.EliminarDeclaracionescZIVET10_Tipologia8.BorrarDeclaracion"));
}

TEST_F(Tipologia8Test, DeletionOfATypologyEightReturnRemovesItsDetail) {
  insertHeader(mod_, 5, 1, 2016, "1", 3, 8, "570");
  saveDetail(5);
  cZIVEDeclaraciones declaraciones;
  declaraciones.EliminarDeclaraciones(5, 8);
  EXPECT_EQ(storedRows(), 0);
}

// --- Carry forward -------------------------------------------------------------

class CarryForwardTest : public Tipologia8Test {
 protected:
  // Declarant 3, monthly ("1"): 40 = 2014/11 and 41 = 2014/12, both with detail.
  void SetUp() override {
    Tipologia8Test::SetUp();
    insertHeader(mod_, 40, 3, 2014, "1", 11, 8, "570");
    insertHeader(mod_, 41, 3, 2014, "1", 12, 8, "570");
    saveDetail(40);
    saveDetail(41);
  }
  Variant carry(int32_t year, const std::string& periodicity, int32_t secdec, int32_t declarant = 3) {
    return service_.CargarExisFinales(year, periodicity, secdec, declarant);
  }
  // The closing stocks of row `row` as numbers (NaN for a Null).
  static std::vector<double> stocks(const Variant& table, int32_t row) {
    std::vector<double> out;
    for (int32_t c = 0; c < 8; ++c) {
      const Variant& v = table.array().at({c, row});
      out.push_back(v.isNull() ? std::nan("") : v.toDouble());
    }
    return out;
  }
  static std::vector<double> stocksOf(int32_t secdec) {
    std::vector<double> out;
    for (int s = 1; s <= 8; ++s) out.push_back(exfin(secdec, s));
    return out;
  }
};

TEST_F(CarryForwardTest, TheFirstReturnHasNothingToCarry) {
  EXPECT_TRUE(carry(2016, "1", 99, 4).isNull());
}

TEST_F(CarryForwardTest, TheLatestEarlierReturnGivesItsClosingStocks) {
  Variant t = carry(2015, "1", 45);
  ASSERT_TRUE(t.isArray());
  const VariantArray& a = t.array();
  EXPECT_EQ(a.ubound(1), 8);
  EXPECT_EQ(a.ubound(2), 1);
  EXPECT_EQ(stocks(t, 1), stocksOf(41));
  for (int32_t c = 0; c <= 8; ++c) EXPECT_TRUE(a.at({c, 0}).isEmpty());
  EXPECT_TRUE(a.at({8, 1}).isEmpty());
}

TEST_F(CarryForwardTest, AHeaderWithoutDetailGivesNulls) {
  execute(mod_, "DELETE FROM T10_Tipologia8 WHERE T10_SECDEC = 41");
  Variant t = carry(2015, "1", 45);
  ASSERT_TRUE(t.isArray());
  EXPECT_EQ(t.array().ubound(2), 1);
  for (int32_t c = 0; c < 8; ++c) EXPECT_TRUE(t.array().at({c, 1}).isNull());
}

TEST_F(CarryForwardTest, ReturnsRecordedLaterNeverCount) {
  EXPECT_TRUE(carry(2015, "1", 39).isNull());
  // Preparing 41 itself: only 40 was recorded before it.
  EXPECT_EQ(stocks(carry(2015, "1", 41), 1), stocksOf(40));
}

TEST_F(CarryForwardTest, OtherTypologiesPeriodicitiesDeclarantsAndLaterYearsNeverCount) {
  insertHeader(mod_, 42, 3, 2015, "1", 1, 9, "570");   // another typology, more recent
  insertHeader(mod_, 43, 3, 2015, "3", 1, 8, "570");   // another periodicity
  insertHeader(mod_, 44, 4, 2015, "1", 1, 8, "570");   // another declarant
  insertHeader(mod_, 46, 3, 2016, "1", 1, 8, "570");   // a later year, recorded later
  for (int32_t s : {42, 43, 44}) saveDetail(s);
  EXPECT_EQ(stocks(carry(2015, "1", 47), 1), stocksOf(41));
  // The periodicity is compared as text, exactly.
  EXPECT_TRUE(carry(2015, "01", 47).isNull());
  EXPECT_EQ(stocks(carry(2015, "3", 47), 1), stocksOf(43));
}

TEST_F(CarryForwardTest, AnEarlierRecordedLaterPeriodOfTheSameYearIsTaken) {
  insertHeader(mod_, 50, 3, 2015, "1", 6, 8, "570");
  saveDetail(50);
  insertHeader(mod_, 51, 3, 2015, "1", 2, 8, "570");
  // Preparing 2015/03 with number 52: 50 (2015/06) is the latest of the year.
  EXPECT_EQ(stocks(carry(2015, "1", 52), 1), stocksOf(50));
}

TEST_F(CarryForwardTest, TiesOnYearAndPeriodComeBackAsRows) {
  insertHeader(mod_, 42, 3, 2014, "1", 12, 8, "570");
  saveDetail(42);
  Variant t = carry(2015, "1", 45);
  ASSERT_TRUE(t.isArray());
  ASSERT_EQ(t.array().ubound(2), 2);
  std::vector<std::vector<double>> got{stocks(t, 1), stocks(t, 2)};
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::vector<double>>{stocksOf(41), stocksOf(42)}));
}

TEST_F(CarryForwardTest, StatementAsWritten) {
  StatementLog log;
  carry(2015, "1", 45);
  auto selects = log.startingWith("Select top 1 T10_EXFIN1");
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(selects[0],
            "Select top 1 T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 "
            "from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on T02_Declaraciones.T02_Secdec = "
            "T10_Tipologia8.T10_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and T02_Declaraciones.T02_Tipol = 8 "
            "and T02_Declaraciones.T02_PERDAD = '1' and T02_Declaraciones.T02_EJER <= 2015 AND "
            "T02_Declaraciones.T02_Secdec < 45 order by T02_Declaraciones.T02_EJER desc, "
            "T02_Declaraciones.T02_PERNUM desc");
}

TEST_F(CarryForwardTest, LateBinding) {
  auto object = CreateObject("svrZIVE.cZIVETipologia8");
  object->let("mdbmod", Variant(mod_));
  Variant t = object->call("CargarExisFinales",
                           {Variant(int32_t{2015}), Variant("1"), Variant(int32_t{45}), Variant(int32_t{3})});
  EXPECT_EQ(stocks(t, 1), stocksOf(41));
  EXPECT_EQ(ClassRegistry::global().byName("cZIVET10_Tipologia8"), nullptr);
}

}  // namespace
}  // namespace svrZIVE::testing
