// The rate family's own concerns, form by form: which lines a save packs to
// the front, the statements as they run, the epigraph rates in force, the
// existence test of form 564's first layout; of form 560 (cZIVETipologia1 and
// cZIVET03_Tipologia1) the insert flag, the buffer's conversions and the rate
// set in force.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/rate/cZIVETipologia1.h"
#include "forms/rate/cZIVETipologia5.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr int32_t kSecdec = 9;

// An epigraph return: line n holds code "L<n>", its base, and n in its other
// numbers; deduction n (new 564 layout) "D<n>", concept "XY" and its amount;
// totals 100, 10, 90.
VariantArray epigraphBuffer(int32_t elements, int width, const std::vector<double>& bases,
                            const std::vector<double>& deductions = {}) {
  VariantArray b = VariantArray::vector(0, elements - 1);
  b[0] = Variant(kSecdec);
  for (int n = 1; n <= static_cast<int>(bases.size()); ++n) {
    int first = 1 + width * (n - 1);
    b[first] = Variant("L" + std::to_string(n));
    for (int m = 2; m < width; ++m) b[first + m] = Variant(double(n));
    b[first + 1] = Variant(bases[n - 1]);
  }
  for (int n = 1; n <= static_cast<int>(deductions.size()); ++n) {
    int first = 1 + width * static_cast<int>(bases.size()) + 3 * (n - 1);
    b[first] = Variant("D" + std::to_string(n));
    b[first + 1] = Variant("XY");
    b[first + 2] = Variant(deductions[n - 1]);
  }
  b[elements - 3] = Variant(100.0);
  b[elements - 2] = Variant(10.0);
  b[elements - 1] = Variant(90.0);
  return b;
}

// Form 560's buffer: element i holds i + 0.25 (element 0 the declaration number).
Variant buffer560(int32_t secdec = kSecdec) {
  VariantArray b = numberedBuffer(17, 0.25);
  b[0] = Variant(secdec);
  return Variant(std::move(b));
}

class RateForms : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    insertHeader(mod_, kSecdec, 1, 2016, "1", 3, 2);
  }
  Variant saveAndLoad(const std::string& service, VariantArray b, bool insert = true) {
    call(service, "GuardarDeclaracion", {Variant(std::move(b)), Variant(insert)});
    return call(service, "CargarDeclaracion", {Variant(kSecdec)});
  }
  cZIVETipologia1 form560_;
};

// Groups of `width` elements from `first` on, as "code:member:member ..."
// (the members of `shown`), "_" for a cleared group (blanks and zeros only).
std::string groups(const VariantArray& a, int first, int width, int count, const std::vector<int>& shown) {
  std::string out;
  for (int g = 0; g < count; ++g, first += width) {
    bool cleared = true;
    for (int m = 0; m < width; ++m) cleared = cleared && (a[first + m].toText() == " " || a[first + m].toText() == "0");
    std::string group = cleared ? "_" : a[first].toText();
    for (int m : shown) group += cleared ? "" : ":" + a[first + m].toText();
    out += (g > 0 ? " " : "") + group;
  }
  return out;
}

TEST_F(RateForms, LinesInUseArePackedWhereTheFormPacks) {
  // lines: each group's code and base; deductionLines: code, concept, amount.
  struct Case { const char *name, *service; int32_t elements; int width; std::vector<double> bases; const char* lines;
                std::vector<double> deductions = {}; const char* deductionLines = ""; };
  const Case cases[] = {
      {"561", "cZIVETipologia2", 34, 5, {0, 5, 0, 7, 0, 0}, "L2:5 L4:7 _ _ _ _"},
      {"561 without bases", "cZIVETipologia2", 34, 5, {0, 0, 0, 0, 0, 0}, "_ _ _ _ _ _"},
      {"562 keeps its lines", "cZIVETipologia3", 20, 4, {0, 5, 0, 7}, "L1:0 L2:5 L3:0 L4:7"},
      {"563 keeps its lines", "cZIVETipologia4", 12, 4, {0, 3}, "L1:0 L2:3"},
      {"564", "cZIVETipologia5", 68, 4, {0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0},
       "L3:1 L9:2 _ _ _ _ _ _ _ _ _ _ _ _ _ _"},
      {"564 new layout", "cZIVETipologia5_Nueva", 76, 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6},
       "L12:6 _ _ _ _ _ _ _ _ _ _ _", {0, 4, 0, 0, 2, 0, 0, 0}, "D2:X:4 D5:X:2 _ _ _ _ _ _"},
      {"566", "cZIVETipologia6", 28, 4, {0, 0, 3, 0, 0, 8}, "L3:3 L6:8 _ _ _ _"},
      {"566, a negative base is in use", "cZIVETipologia6", 28, 4, {0, -1, 0, 0, 0, 0}, "L2:-1 _ _ _ _ _"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int lines = static_cast<int>(c.bases.size()), deductions = static_cast<int>(c.deductions.size());
    const VariantArray a = saveAndLoad(c.service, epigraphBuffer(c.elements, c.width, c.bases, c.deductions)).array();
    EXPECT_EQ(groups(a, 1, c.width, lines, {1}), c.lines);
    EXPECT_EQ(groups(a, 1 + c.width * lines, 3, deductions, {1, 2}), c.deductionLines);
    EXPECT_DOUBLE_EQ(a[c.elements - 1].toDouble(), 90);
    SetUp();
  }
}

TEST_F(RateForms, TheEpigraphsOfTheSetInForceOnceEach) {
  // epigraphs: column 3 of rows 1 to N.
  struct Case { const char *service, *operation; int32_t year; int16_t period; std::vector<std::string> epigraphs;
                int32_t lastColumn = 6; };
  const Case cases[] = {
      {"cZIVETipologia2", "ObtenerTipo561", 2016, 7, {"1", "2", "3", "4", "5", "6"}, 7},
      {"cZIVETipologia2", "ObtenerTipo561", 2024, 1, {"1", "2", "3", "4", "5", "6"}, 7},  // 3 listed twice
      {"cZIVETipologia3", "ObtenerTipo562", 2017, 1, {"3", "4"}},                         // 4 listed twice
      {"cZIVETipologia3", "ObtenerTipo562", 2016, 12, {"3", "4"}},
      {"cZIVETipologia4", "ObtenerTipo563", 2016, 10, {"5", "6"}},  // 5 listed twice
      {"cZIVETipologia5", "ObtenerTipo564", 2018, 7, {"8", "9"}},
      {"cZIVETipologia5_Nueva", "ObtenerTipo564", 2014, 1, {"8", "9"}},
      {"cZIVETipologia6", "ObtenerTipo566", 2016, 6, {"1", "2", "3", "4"}},
      {"cZIVETipologia6", "ObtenerTipo566", 2016, 7, {"1", "2", "3", "4", "5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.operation) + " " + std::to_string(c.year) + "/" + std::to_string(c.period));
    const VariantArray t = call(c.service, c.operation, {Variant(kSecdec), Variant(c.year), Variant(c.period)}).array();
    EXPECT_EQ(t.ubound(1), c.lastColumn);
    std::vector<std::string> epigraphs;
    for (int32_t row = 1; row <= t.ubound(2); ++row) epigraphs.push_back(t.at({3, row}).toText());
    EXPECT_EQ(epigraphs, c.epigraphs);
  }
  // The set in force (padded period), then its rows (unpadded period).
  StatementLog log;
  call("cZIVETipologia3", "ObtenerTipo562", {Variant(kSecdec), Variant(int32_t{2017}), Variant(int16_t{3})});
  EXPECT_THAT(log.startingWith("Select distinct"),
              ElementsAre("Select distinct top 1  T05_EJER, T05_PER  from T05_TIPOS2 where T05_MOD = '562' and T05_EJER  "
                          "&  format(T05_PER,'00')  <= 201703 ORDER BY T05_EJER desc, T05_PER desc",
                          "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO,T05_NOMC,T05_NOME  from "
                          "T05_TIPOS2 where T05_MOD = '562'  and T05_EJER  &  T05_PER = 20171 ORDER BY T05_MOD, "
                          "T05_EJER desc, T05_PER desc, T05_EPIEXT asc"));
  // Of a repeated epigraph the first row stays (degree 11, not 12).
  Variant t561 =
      call("cZIVETipologia2", "ObtenerTipo561", {Variant(kSecdec), Variant(int32_t{2024}), Variant(int16_t{1})});
  EXPECT_EQ(t561.array().at({5, 3}).toText(), "11");
  // The 2015 layout answers as form 560 does.
  auto joined = [](const Variant& v) {
    std::string out;
    for (int32_t i = 0; v.isArray() && i <= v.array().ubound(); ++i) out += v.array()[i].toText() + ";";
    return v.isNull() ? "Null" : out;
  };
  for (auto [year, period] : {std::pair<int32_t, int16_t>{2014, 1}, {2014, 7}, {2014, 12}, {2012, 1}}) {
    Variant tipos = call("cZIVETipologia1_2015", "ObtenerTipo560", {Variant(kSecdec), Variant(year), Variant(period)});
    EXPECT_EQ(joined(tipos), joined(form560_.ObtenerTipo560(0, year, period)));
  }
}

TEST_F(RateForms, ErrorsCarryTheirTexts) {
  // Before the model's first set: no current record.
  const struct { const char *service, *record, *operation; int32_t year; int16_t period; } cases[] = {
      {"cZIVETipologia2", "cZIVET04_Tipologia2", "ObtenerTipo561", 2012, 12},
      {"cZIVETipologia4", "cZIVET06_Tipologia4", "ObtenerTipo563", 2012, 1},
      {"cZIVETipologia5_Nueva", "cZIVET09_Tipologia5_Nueva", "ObtenerTipo564", 2013, 12},
      {"cZIVETipologia6", "cZIVET08_Tipologia6", "ObtenerTipo566", 2012, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    Raised r = raisedBy([&] { call(c.service, c.operation, {Variant(kSecdec), Variant(c.year), Variant(c.period)}); });
    EXPECT_EQ(r.number, 3021);
    EXPECT_THAT(r.description, StartsWith(std::string(c.service) + ".ObtenerTipo" + c.record + ".ObtenerTipo"));
  }
  execute(mod_, "DROP TABLE T07_Tipologia5");
  EXPECT_THAT(raisedBy([&] { call("cZIVETipologia5", "ExisteDeclaracion", {Variant(kSecdec)}); }).description,
              StartsWith("cZIVETipologia5.ExisteDeclaracioncZIVET07_Tipologia5.ExisteDeclaracion"));
}

TEST_F(RateForms, ExisteDeclaracionAsksTheFirstLayoutOnly) {
  cZIVETipologia5 first;
  EXPECT_FALSE(first.ExisteDeclaracion(kSecdec));
  saveAndLoad("cZIVETipologia5_Nueva",
              epigraphBuffer(76, 4, std::vector<double>(12, 1.0), std::vector<double>(8, 1.0)));
  EXPECT_FALSE(first.ExisteDeclaracion(kSecdec));
  saveAndLoad("cZIVETipologia5", epigraphBuffer(68, 4, std::vector<double>(16, 1.0)));
  EXPECT_TRUE(call("cZIVETipologia5", "ExisteDeclaracion", {Variant(kSecdec)}).asBoolean());
  EXPECT_FALSE(first.ExisteDeclaracion(kSecdec + 1));
}

TEST_F(RateForms, Form560InsertsOnlyWhenTheFlagIsExactlyTrueAndElevenIsTheFinalAmount) {
  const struct { const char* name; Variant flag; bool inserts; } cases[] = {
      {"Boolean True", Variant(true), true},     {"Integer -1", Variant(int16_t{-1}), true},
      {"Boolean False", Variant(false), false},  {"Long 1", Variant(int32_t{1}), false},
      {"Integer 2", Variant(int16_t{2}), false}, {"Empty", Variant(), false},
      {"text True", Variant("True"), false},     {"Null", Variant::null(), false}};
  int32_t secdec = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ++secdec;
    insertHeader(mod_, secdec, 1, 2016, "1", 3, 1);
    // A stored row with other values, so that an update shows.
    Variant first = buffer560(secdec);
    first.array()[1] = Variant(100.0);
    form560_.GuardarDeclaracion(first, Variant(true));
    EXPECT_DOUBLE_EQ(headerAmount(mod_, secdec), 11.25);

    Variant second = buffer560(secdec);
    second.array()[1] = Variant(200.0);
    second.array()[11] = Variant(-55.5);
    form560_.GuardarDeclaracion(second, c.flag);
    auto stored = rows(mod_, "SELECT T03_BASEIMP FROM T03_Tipologia1 WHERE T03_SECDEC = " + std::to_string(secdec) +
                                 " ORDER BY T03_BASEIMP");
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(stored, (c.inserts ? Rows{{"100"}, {"200"}} : Rows{{"200"}}));
    EXPECT_DOUBLE_EQ(headerAmount(mod_, secdec), -55.5);
  }
  // Updating a return without detail writes nothing but the amount.
  Variant b = buffer560();
  form560_.GuardarDeclaracion(b, Variant(false));
  EXPECT_EQ(rows(mod_, "SELECT * FROM T03_Tipologia1 WHERE T03_SECDEC = " + std::to_string(kSecdec)).size(), 0u);
  EXPECT_DOUBLE_EQ(headerAmount(mod_, kSecdec), 11.25);
}

TEST_F(RateForms, Form560ConversionsOfTheBuffer) {
  VariantArray b = numberedBuffer(17);
  b[0] = Variant(6.5);       // rounds half to even: 6
  b[1] = Variant();          // Empty: 0
  b[2] = Variant(" 12.5 ");  // a text that reads as a number
  b[3] = Variant(true);      // True is -1
  insertHeader(mod_, 6, 1, 2016, "1", 5, 1);
  Variant buffer(std::move(b));
  form560_.GuardarDeclaracion(buffer, Variant(true));
  auto r = rows(mod_, "SELECT T03_SECDEC, T03_BASEIMP, T03_TIPO, T03_CUOTA FROM T03_Tipologia1");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_THAT(r[0], ElementsAre("6", "0", "12.5", "-1"));
}

TEST_F(RateForms, Form560AFailedHeaderUpdateLeavesTheDetailWritten) {
  execute(mod_, "DROP TABLE T02_Declaraciones");
  Variant b = buffer560();
  Raised r = raisedBy([&] { form560_.GuardarDeclaracion(b, Variant(true)); });
  EXPECT_NE(r.number, 0);
  EXPECT_THAT(r.description, StartsWith("cZIVETipologia1.GuardarDeclaracion"));
  EXPECT_EQ(count(mod_, "T03_Tipologia1"), 1);
}

TEST_F(RateForms, Form560TheRateSetInForceIsTheLatestNotLater) {
  // The sample sets: 2013/01, 2014/07, 2016/01, 2021/10, 2022/01, 2024/07. No rates: Null.
  const struct { int32_t year; int16_t period; std::vector<double> rates; } cases[] = {
      {2012, 12, {}},      {2013, 1, {4.86433, 0.5, 1}},         {2014, 3, {4.86433, 0.5, 1}},
      {2014, 6, {4.86433, 0.5, 1}}, {2014, 7, {5.11269632, 0.5, 1}}, {2015, 12, {5.11269632, 0.5, 1}},
      {2021, 9, {5.11269632, 0.5, 1.5}}, {2021, 12, {0.5, 0.5, 1}}, {2099, 1, {5.11269632, 1, 2}}};
  for (const auto& c : cases) {
    for (int32_t secdec : {0, kSecdec, -5}) {
      SCOPED_TRACE(std::to_string(c.year) + "/" + std::to_string(c.period) + " number " + std::to_string(secdec));
      Variant tipos = form560_.ObtenerTipo560(secdec, c.year, c.period);
      if (c.rates.empty()) {
        EXPECT_TRUE(tipos.isNull());
        continue;
      }
      ASSERT_TRUE(tipos.isArray());
      ASSERT_EQ(tipos.array().ubound(), 3);
      for (int32_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(tipos.array()[i].toDouble(), c.rates[i]);
    }
  }
  StatementLog log;
  form560_.ObtenerTipo560(0, 2014, 3);
  EXPECT_TRUE(log.contains("Select top 1 T04_TIPO,T04_TIPO1,T04_TIPO2 from T04_TIPOS1 where T04_EJER   &  "
                           "format(T04_PER,'00')  <= 201403 ORDER BY T04_EJER desc, T04_PER desc"));
}

TEST_F(RateForms, Form560RatesFromOtherReferenceDatabases) {
  // Without T04_TIPOS1: the error, annotated.
  ZIVEGeneral::setReferencePath(databaseWith(dir_, "EMPTY.MDB", {"CREATE TABLE X (A LONG)"}));
  EXPECT_THAT(raisedBy([&] { form560_.ObtenerTipo560(0, 2014, 3); }).description,
              StartsWith("cZIVETipologia1.ObtenerTipocZIVET03_Tipologia1.ObtenerTipo"));
  // Two sets of the same period overrun the single record.
  ZIVEGeneral::setReferencePath(databaseWith(
      dir_, "TIES.MDB",
      {"CREATE TABLE T04_TIPOS1 (T04_EJER SHORT, T04_PER SHORT, T04_TIPO DOUBLE, T04_TIPO1 DOUBLE, T04_TIPO2 DOUBLE)",
       "INSERT INTO T04_TIPOS1 VALUES (2014, 7, 1, 2, 3)", "INSERT INTO T04_TIPOS1 VALUES (2014, 7, 4, 5, 6)"}));
  EXPECT_EQ(raisedBy([&] { form560_.ObtenerTipo560(0, 2015, 1); }).number, 9);
}

}  // namespace
}  // namespace svrZIVE::testing
