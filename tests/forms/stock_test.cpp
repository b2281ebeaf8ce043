// The stock-accounting typologies 8 to 14 through late binding, case by case
// across the family: round trips (with the elements that sit elsewhere in
// the load array than in the save buffer), conversions that fail before
// anything is written, the statements, and the carry forward of the
// previous return's closing stocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using Range = std::pair<int, int>;

struct Typology {
  int32_t number;
  const char *service, *table;
  int32_t elements;
  std::vector<Range> integers;  // buffer elements converted to Integer
  std::vector<Range> texts;     // buffer elements converted to text
  // Buffer element -> load element, where the save buffer has its own order.
  std::vector<std::pair<int, int>> moved;
  std::vector<const char*> updates;  // the first column each update statement writes
  std::vector<int> carried;          // the buffer elements the carry forward returns, in order
  bool carriesYearAndPeriod;
  std::string carry;  // the carry-forward statement of declarant 3, 2015, "1", number 45
};

// "a,b,a+1,b+1,..." over `slots` slots, for each start in `starts`.
std::vector<int> bySlot(std::vector<int> starts, int slots) {
  std::vector<int> out;
  for (int s = 0; s < slots; ++s)
    for (int start : starts) out.push_back(start + s);
  return out;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kJoin = " RIGHT JOIN T02_Declaraciones on T02_Declaraciones.T02_Secdec = ";
const std::string kOrder = " order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc";

const std::vector<Typology>& typologies() {
  static const std::vector<Typology> all = {
      {8, "cZIVETipologia8", "T10_Tipologia8", 113, {}, {}, {}, {"T10_EXINI1"}, bySlot({89}, 8), false,
       "Select top 1 T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 from "
       "T10_Tipologia8" + kJoin + "T10_Tipologia8.T10_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and "
       "T02_Declaraciones.T02_Tipol = 8 and T02_Declaraciones.T02_PERDAD = '1' and T02_Declaraciones.T02_EJER <= 2015 "
       "AND T02_Declaraciones.T02_Secdec < 45" + kOrder},
      {9, "cZIVETipologia9", "T11_Tipologia9", 157, {{1, 6}}, {}, {}, {"T11_PM_MATERIA1", "T11_MA_CLAVE1"},
       bySlot({1, 43}, 6) + bySlot({61, 139}, 6), false,
       "Select top 1 T11_PM_MATERIA1,T11_PM_EXFIN1,T11_PM_MATERIA2,T11_PM_EXFIN2,T11_PM_MATERIA3,T11_PM_EXFIN3,"
       "T11_PM_MATERIA4,T11_PM_EXFIN4,T11_PM_MATERIA5,T11_PM_EXFIN5,T11_PM_MATERIA6,T11_PM_EXFIN6,T11_MA_CLAVE1,"
       "T11_MA_EXFIN1,T11_MA_CLAVE2,T11_MA_EXFIN2,T11_MA_CLAVE3,T11_MA_EXFIN3,T11_MA_CLAVE4,T11_MA_EXFIN4,"
       "T11_MA_CLAVE5,T11_MA_EXFIN5,T11_MA_CLAVE6,T11_MA_EXFIN6 from T11_Tipologia9" + kJoin +
       "T11_Tipologia9.T11_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and T02_Declaraciones.T02_Tipol = 9 and "
       "T02_Declaraciones.T02_EJER <= 2015 and T02_Declaraciones.T02_PERDAD = '1' AND T02_Declaraciones.T02_Secdec < 45" +
       kOrder},
      {10, "cZIVETipologia10", "T12_Tipologia10", 185, {{1, 5}, {86, 90}}, {{91, 95}, {171, 172}},
       {{1, 1}, {85, 85}, {171, 86}, {173, 87}, {172, 93}, {184, 99}, {86, 100}, {91, 105}, {170, 184}},
       {"T12_PM_MATERIA1", "T12_PE_CLAVE1"},
       bySlot({1, 56, 61}, 5) + std::vector<int>{171, 181, 172, 182} + bySlot({86, 91, 156}, 5), false,
       "Select top 1 T12_PM_MATERIA1,T12_PM_EXFINV1,T12_PM_EXFINL1,T12_PM_MATERIA2,T12_PM_EXFINV2,T12_PM_EXFINL2,"
       "T12_PM_MATERIA3,T12_PM_EXFINV3,T12_PM_EXFINL3,T12_PM_MATERIA4,T12_PM_EXFINV4,T12_PM_EXFINL4,T12_PM_MATERIA5,"
       "T12_PM_EXFINV5,T12_PM_EXFINL5, T12_PPE_CLAVE, T12_PPE_EXFIN , T12_PPE_CLAVE1, T12_PPE_EXFIN1 , T12_PE_CLAVE1, "
       "T12_PE_GRADO1, T12_PE_EXFIN1,T12_PE_CLAVE2, T12_PE_GRADO2, T12_PE_EXFIN2,T12_PE_CLAVE3, T12_PE_GRADO3, "
       "T12_PE_EXFIN3,T12_PE_CLAVE4, T12_PE_GRADO4, T12_PE_EXFIN4,T12_PE_CLAVE5, T12_PE_GRADO5, T12_PE_EXFIN5 from "
       "T12_Tipologia10" + kJoin + "T12_Tipologia10.T12_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and  "
       "T02_Declaraciones.T02_Tipol = 10 and T02_Declaraciones.T02_EJER <= 2015 and T02_Declaraciones.T02_PERDAD = '1' "
       "AND T02_Declaraciones.T02_Secdec < 45" + kOrder},
      {11, "cZIVETipologia11", "T13_Tipologia11", 163, {{1, 6}}, {}, {}, {"T13_PM_MATERIA1", "T13_MB_CLAVE1"},
       bySlot({1, 37}, 6) + bySlot({55, 145}, 6), true,
       "Select distinct top 1 T13_PM_MATERIA1,T13_PM_EXFIN1,T13_PM_MATERIA2,T13_PM_EXFIN2,T13_PM_MATERIA3,"
       "T13_PM_EXFIN3,T13_PM_MATERIA4,T13_PM_EXFIN4,T13_PM_MATERIA5,T13_PM_EXFIN5,T13_PM_MATERIA6,T13_PM_EXFIN6,"
       "T13_MB_CLAVE1,T13_MB_EXFIN1,T13_MB_CLAVE2,T13_MB_EXFIN2,T13_MB_CLAVE3,T13_MB_EXFIN3,T13_MB_CLAVE4,"
       "T13_MB_EXFIN4,T13_MB_CLAVE5,T13_MB_EXFIN5,T13_MB_CLAVE6,T13_MB_EXFIN6,T02_Declaraciones.T02_EJER,"
       "T02_Declaraciones.T02_PERNUM from T13_Tipologia11" + kJoin + "T13_Tipologia11.T13_Secdec  WHERE "
       "T02_Declaraciones.T02_CSDE = 3 and T02_Declaraciones.T02_Tipol = 11 and T02_Declaraciones.T02_EJER <= 2015 "
       "and T02_Declaraciones.T02_PERDAD = '1' AND T02_Declaraciones.T02_Secdec < 45" + kOrder},
      {12, "cZIVETipologia12", "T14_Tipologia12", 127, {}, {{31, 36}},
       {{1, 1}, {2, 11}, {3, 21}, {4, 2}, {30, 30}, {31, 31}, {126, 126}}, {"T14_PM_MATERIA1", "T14_CE_EPIG1"},
       bySlot({31, 109}, 6), false,
       "Select top 1 T14_CE_EPIG1,T14_CE_EXFIN1,T14_CE_EPIG2,T14_CE_EXFIN2,T14_CE_EPIG3,T14_CE_EXFIN3,T14_CE_EPIG4,"
       "T14_CE_EXFIN4,T14_CE_EPIG5,T14_CE_EXFIN5,T14_CE_EPIG6,T14_CE_EXFIN6 from T14_Tipologia12" + kJoin +
       "T14_Tipologia12.T14_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and T02_Declaraciones.T02_Tipol = 12 and "
       "T02_Declaraciones.T02_EJER <= 2015  and T02_Declaraciones.T02_PERDAD = '1' and "
       "T02_Declaraciones.T02_Secdec < 45" + kOrder},
      {13, "cZIVETipologia13", "T15_Tipologia13", 97, {}, {{1, 6}}, {}, {"T15_EPIG1"},
       bySlot({1, 79}, 6) + bySlot({79}, 6), false,
       "Select top 1 T15_EPIG1,T15_EXFIN1,T15_EPIG2,T15_EXFIN2,T15_EPIG3,T15_EXFIN3,T15_EPIG4,T15_EXFIN4,T15_EPIG5,"
       "T15_EXFIN5,T15_EPIG6,T15_EXFIN6,T15_EXFIN1,T15_EXFIN2,T15_EXFIN3,T15_EXFIN4,T15_EXFIN5,T15_EXFIN6 from "
       "T15_Tipologia13" + kJoin + "T15_Tipologia13.T15_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and "
       "T02_Declaraciones.T02_Tipol = 13 and T02_Declaraciones.T02_EJER <= 2015 and T02_Declaraciones.T02_PERDAD = '1' "
       "AND T02_Declaraciones.T02_Secdec < 45" + kOrder},
      {14, "cZIVETipologia14", "T16_Tipologia14", 77, {}, {{1, 4}}, {}, {"T16_EPIG1"}, bySlot({1, 65}, 4), false,
       "Select top 1 T16_EPIG1,T16_EXFIN1,T16_EPIG2,T16_EXFIN2,T16_EPIG3,T16_EXFIN3,T16_EPIG4,T16_EXFIN4 from "
       "T16_Tipologia14" + kJoin + "T16_Tipologia14.T16_Secdec  WHERE T02_Declaraciones.T02_CSDE = 3 and "
       "T02_Declaraciones.T02_Tipol = 14 and T02_Declaraciones.T02_EJER <= 2015 and T02_Declaraciones.T02_PERDAD = '1' "
       "AND T02_Declaraciones.T02_Secdec < 45" + kOrder},
  };
  return all;
}

bool within(const std::vector<Range>& ranges, int e) {
  return std::any_of(ranges.begin(), ranges.end(), [e](Range r) { return e >= r.first && e <= r.second; });
}

std::string shown(const Variant& v) { return v.isNull() ? "Null" : v.toText(); }

class Stock : public ServiceTest {
 protected:
  // Element e of return `secdec` in save round `round`: unique per element
  // and round, of the element's kind (texts one letter, fitting every width).
  static Variant value(const Typology& t, int32_t secdec, int e, int round = 0) {
    if (e == 0) return Variant(secdec);
    if (within(t.integers, e)) return Variant(int16_t(secdec * 100 + e + round));
    if (within(t.texts, e)) return Variant(std::string(1, char('A' + (secdec + e + round) % 26)));
    return Variant(secdec * 1000.0 + e + 0.5 + round);
  }
  static Variant buffer(const Typology& t, int32_t secdec, int round = 0) {
    VariantArray b = VariantArray::vector(0, t.elements - 1);
    for (int e = 0; e < t.elements; ++e) b[e] = value(t, secdec, e, round);
    return Variant(std::move(b));
  }
  void save(const Typology& t, Variant b, Variant insert) { call(t.service, "GuardarDeclaracion", {b, insert}); }
  Variant load(const Typology& t, int32_t secdec) { return call(t.service, "CargarDeclaracion", {Variant(secdec)}); }
  Variant carry(const Typology& t, Variant year, const char* periodicity, int32_t secdec, int32_t declarant) {
    return call(t.service, "CargarExisFinales", {year, Variant(periodicity), Variant(secdec), Variant(declarant)});
  }
};

TEST_F(Stock, SavedReturnsLoadBackWithTheirElementsWhereTheLoadPutsThem) {
  for (const Typology& t : typologies()) {
    SCOPED_TRACE(t.service);
    SetUp();
    ASSERT_EQ(int32_t(fieldNames(mod_, t.table).size()), t.elements);
    insertHeader(mod_, 5, 1, 2016, "1", 3, t.number);
    execute(mod_, "UPDATE T02_Declaraciones SET T02_IMPFIN = 9 WHERE T02_SECDEC = 5");
    StatementLog log;
    save(t, buffer(t, 5), Variant(true));
    for (int round : {1, 2}) {
      save(t, buffer(t, 5, round), round == 1 ? Variant(false) : Variant(int16_t{0}));
      save(t, buffer(t, 6, round), Variant(false));  // no row: left without one
    }
    EXPECT_EQ(count(mod_, t.table), 1);
    EXPECT_DOUBLE_EQ(headerAmount(mod_, 5), 9.0);
    EXPECT_TRUE(load(t, 6).isNull());

    const VariantArray row = load(t, 5).array();
    ASSERT_EQ(row.ubound(), t.elements);
    EXPECT_TRUE(row[t.elements].isEmpty());
    std::vector<std::string> saved, loaded;
    for (int e = 0; e < t.elements; ++e) {
      saved.push_back(shown(value(t, 5, e, 2)));
      loaded.push_back(shown(row[e]));
    }
    for (auto [from, to] : t.moved) EXPECT_EQ(loaded[to], saved[from]) << "buffer " << from << ", load " << to;
    if (t.moved.empty()) { EXPECT_EQ(loaded, saved); }
    std::sort(saved.begin(), saved.end());
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, saved);

    // One update statement per part, each from its first column; the header untouched.
    std::vector<std::string> updates = log.startingWith(std::string("Update ") + t.table);
    ASSERT_EQ(updates.size(), 4 * t.updates.size());
    for (std::size_t i = 0; i < t.updates.size(); ++i) {
      EXPECT_THAT(updates[i], StartsWith(std::string("Update ") + t.table + " set " + t.updates[i] + " = "));
      EXPECT_THAT(updates[i], ::testing::EndsWith(std::string(" WHERE ") + std::string(t.table).substr(0, 4) + "SECDEC = 5"));
    }
    EXPECT_TRUE(log.startingWith("Update T02").empty());
  }
}

TEST_F(Stock, ElementsAreStoredAsTheirPropertyTypes) {
  const struct { int32_t typology; int element, loadedAt; Variant value; std::string stored; } cases[] = {
      {9, 1, 1, Variant(2.5), "2"},          {10, 86, 100, Variant(3.5), "4"},  {10, 91, 105, Variant(7.0), "7"},
      {13, 1, 1, Variant(int32_t{7}), "7"},  {13, 2, 2, Variant(""), ""},        {14, 4, 4, Variant("B1"), "B1"},
      {11, 7, 7, Variant("12.25"), "12.25"},
  };
  for (const auto& c : cases) {
    const Typology& t = typologies()[c.typology - 8];
    SCOPED_TRACE(std::string(t.service) + " element " + std::to_string(c.element));
    SetUp();
    Variant b = buffer(t, 5);
    b.array()[c.element] = c.value;
    save(t, b, Variant(true));
    EXPECT_EQ(load(t, 5).array()[c.loadedAt].toText(), c.stored);
  }
}

// --- Carry forward -------------------------------------------------------------

struct Header { int32_t secdec, csde, year; const char* periodicity; int32_t period; bool otherTypology, detail; };

const Header kHeaders[] = {
    {40, 3, 2014, "1", 11, false, true}, {41, 3, 2014, "1", 12, false, true},
    {42, 3, 2015, "1", 1, true, true},    // another typology
    {43, 3, 2015, "3", 1, false, true},   // another periodicity
    {44, 4, 2015, "1", 1, false, true},   // another declarant
    {46, 3, 2016, "1", 1, false, false},  // a later year
    {48, 3, 2014, "1", 12, false, true},  // the same period as 41
    {50, 3, 2015, "1", 6, false, true},   {51, 3, 2015, "1", 2, false, false},
    {60, 6, 2014, "1", 5, false, false},
};

TEST_F(Stock, CarryForwardOfThePreviousReturnsClosingStocks) {
  // from: the previous returns, one row each; none: Null.
  const struct { const char* name; int32_t year; const char* periodicity; int32_t secdec, declarant;
                 std::vector<int32_t> from; } cases[] = {
      {"the first return", 2016, "1", 99, 5, {}},
      {"the latest earlier return", 2015, "1", 45, 3, {41}},
      {"returns recorded later never count", 2015, "1", 39, 3, {}},
      {"preparing 41 itself", 2015, "1", 41, 3, {40}},
      {"other typologies, periodicities, declarants, later years", 2015, "1", 47, 3, {41}},
      {"the periodicity compared as text", 2015, "01", 47, 3, {}},
      {"another periodicity", 2015, "3", 47, 3, {43}},
      {"a later period of the year recorded earlier", 2015, "1", 52, 3, {50}},
      {"ties on year and period", 2015, "1", 49, 3, {41, 48}},
      {"a header without detail", 2015, "1", 61, 6, {60}},
  };
  for (const Typology& t : typologies()) {
    SCOPED_TRACE(t.service);
    SetUp();
    std::map<int32_t, Header> headers;
    for (const Header& h : kHeaders) {
      headers[h.secdec] = h;
      insertHeader(mod_, h.secdec, h.csde, h.year, h.periodicity, h.period, h.otherTypology ? 7 : t.number);
      if (h.detail) save(t, buffer(t, h.secdec), Variant(true));
    }
    // The row a previous return gives: its carried elements (Null without
    // detail), then its year and period where the typology reports them.
    auto rowOf = [&](int32_t secdec) {
      const Header& h = headers.at(secdec);
      std::vector<std::string> row;
      for (int e : t.carried) row.push_back(h.detail ? shown(value(t, secdec, e)) : "Null");
      if (t.carriesYearAndPeriod) row.insert(row.end(), {std::to_string(h.year), (h.period < 10 ? "0" : "") + std::to_string(h.period)});
      return row;
    };
    const int32_t columns = int32_t(t.carried.size()) + (t.carriesYearAndPeriod ? 2 : 0);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      Variant result = carry(t, Variant(c.year), c.periodicity, c.secdec, c.declarant);
      if (c.from.empty()) {
        EXPECT_TRUE(result.isNull());
        continue;
      }
      const VariantArray& a = result.array();
      ASSERT_EQ(a.ubound(1), columns);
      ASSERT_EQ(a.ubound(2), int32_t(c.from.size()));
      std::vector<std::vector<std::string>> got, expected;
      for (int32_t r = 1; r <= a.ubound(2); ++r) {
        EXPECT_TRUE(a.at({columns, r}).isEmpty());
        std::vector<std::string> row;
        for (int32_t col = 0; col < columns; ++col) row.push_back(shown(a.at({col, r})));
        got.push_back(row);
      }
      for (int32_t s : c.from) expected.push_back(rowOf(s));
      std::sort(got.begin(), got.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(got, expected);
    }

    // Ties with identical values come back once only where the query is distinct.
    for (int32_t secdec : {70, 71}) {
      insertHeader(mod_, secdec, 8, 2014, "1", 12, t.number);
      Variant b = buffer(t, 7);  // the same values in both
      b.array()[0] = Variant(secdec);
      save(t, b, Variant(true));
    }
    EXPECT_EQ(carry(t, Variant(int32_t{2015}), "1", 75, 8).array().ubound(2), t.number == 11 ? 1 : 2);

    StatementLog log;
    carry(t, Variant(int32_t{2015}), "1", 45, 3);
    EXPECT_THAT(log.startingWith("Select"), ElementsAre(t.carry));
    // A failing carry forward is the service's only.
    execute(mod_, std::string("DROP TABLE ") + t.table);
    Raised failed = raisedBy([&] { carry(t, Variant(int32_t{2016}), "1", 9, 1); });
    EXPECT_THAT(failed.description, StartsWith(std::string(t.service) + ".CargarExisFinales"));
    EXPECT_THAT(failed.description, ::testing::Not(HasSubstr(std::string("cZIVE") + t.table)));
  }
}

TEST_F(Stock, TheYearOfTypology14IsWrittenAsItsText) {
  const Typology& t = typologies().back();
  insertHeader(mod_, 41, 3, 2014, "1", 12, 14);
  save(t, buffer(t, 41), Variant(true));
  Variant byNumber = carry(t, Variant(int32_t{2015}), "1", 45, 3);
  EXPECT_EQ(shown(carry(t, Variant("2015"), "1", 45, 3).array().at({1, 1})), shown(byNumber.array().at({1, 1})));
  EXPECT_EQ(shown(byNumber.array().at({1, 1})), shown(value(t, 41, 65)));
  for (const Variant& year : {Variant(), Variant::null(), Variant("x")})  // raised, and annotated
    EXPECT_THAT(raisedBy([&] { carry(t, year, "1", 45, 3); }).description,
                StartsWith("cZIVETipologia14.CargarExisFinales"));
}

}  // namespace
}  // namespace svrZIVE::testing
