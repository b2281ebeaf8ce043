// The forms with rates, family by family. The rate family: which lines a save
// packs to the front, the statements as they run, the epigraph rates in
// force, the existence test of form 564's first layout; of form 560
// (cZIVETipologia1 and cZIVET03_Tipologia1) the insert flag, the buffer's
// conversions and the rate set in force. The regional-rate forms 581
// (cZIVETipologia15) and 582 (cZIVETipologia16): the packing of filled lines,
// the rates of an administrative body, and form 582's list of bodies with
// their rates.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "forms/form_layout.h"
#include "forms/rate/cZIVETipologia1.h"
#include "forms/rate/cZIVETipologia5.h"
#include "forms/regional/body_rates.h"
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
  EXPECT_THAT(raisedBy([&] { form560_.GuardarDeclaracion(b, Variant(true)); }).description,
              StartsWith("cZIVETipologia1.GuardarDeclaracion"));
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

// --- The regional-rate forms ---------------------------------------------------------

// Numbered lines of a buffer: line n starts at element first + width * (n - 1).
struct Block {
  int first, width, lines, used;  // `used`: the member that is 0 in an empty line
};

struct Regional {
  const char *service, *annotation, *record, *model, *lookup, *table;  // annotation: what errors begin with
  uint8_t typology;
  const forms::FormLayout& (*layout)();
  std::vector<Block> blocks;
  const char* zeroRateCondition;  // what the lookup adds to leave out zero rates
};

const Regional k581{"cZIVETipologia15", "cZIVETipologia15_Nueva", "cZIVET17_Tipologia15", "581", "ObtenerTipo581",
                    "T17_Tipologia15", 15, forms::layoutTipologia15, {{1, 4, 7, 1}, {29, 3, 21, 2}},
                    " AND T07_TIPO02<> 0"};
const Regional k582{"cZIVETipologia16", "cZIVETipologia16_Nueva", "cZIVET18_Tipologia16", "582", "ObtenerTipo582",
                    "T18_Tipologia16", 16, forms::layoutTipologia16, {{2, 7, 8, 1}}, ""};

void PrintTo(const Regional& f, std::ostream* os) { *os << f.service; }
std::string nameOf(const ::testing::TestParamInfo<Regional>& info) { return std::string("Form") + info.param.model; }

class RegionalForm : public ServiceTest, public ::testing::WithParamInterface<Regional> {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    insertHeader(mod_, kSecdec, 1, 2016, "1", 3, GetParam().typology, GetParam().model);
  }
  const forms::FormLayout& layout() const { return GetParam().layout(); }
  // Text elements a letter, numbers element + 0.5: every line filled.
  VariantArray fullBuffer() const {
    VariantArray b = VariantArray::vector(0, static_cast<int32_t>(layout().bufferSize()) - 1);
    b[0] = Variant(kSecdec);
    for (int32_t e = 1; e <= b.ubound(); ++e)
      b[e] = layout().columns[layout().bufferColumn(e)].isText() ? Variant(std::string(1, char('A' + e % 26)))
                                                                 : Variant(e + 0.5);
    return b;
  }
  static int element(const Block& k, int line, int member) { return k.first + k.width * (line - 1) + member; }
  // Only the second and the last line of each block filled; in the first
  // block the second line's code is a number and the last line's base negative.
  VariantArray sparseBuffer() const {
    VariantArray b = fullBuffer();
    for (const Block& k : GetParam().blocks)
      for (int line = 1; line <= k.lines; ++line)
        if (line != 2 && line != k.lines) b[element(k, line, k.used)] = Variant(0.0);
    const Block& k = GetParam().blocks.front();
    b[element(k, 2, 0)] = Variant(int32_t{12});
    if (k.used == 1) b[element(k, k.lines, 1)] = Variant(-1.0);
    return b;
  }
  Raised save(VariantArray b, Variant flag = Variant(true)) {
    return raisedBy([&] { call(GetParam().service, "GuardarDeclaracion", {Variant(std::move(b)), flag}); });
  }
  VariantArray load() { return call(GetParam().service, "CargarDeclaracion", {Variant(kSecdec)}).array(); }
};

TEST_P(RegionalForm, FilledLinesArePackedToTheFrontOnInsertAndUpdate) {
  for (bool insert : {true, false}) {
    SCOPED_TRACE(insert ? "insert" : "update");
    execute(mod_, std::string("DELETE FROM ") + GetParam().table);
    if (!insert) save(fullBuffer());
    VariantArray b = sparseBuffer();
    save(b, insert ? Variant(true) : Variant(int32_t{1}));  // any flag but True updates
    EXPECT_EQ(count(mod_, GetParam().table), 1);
    VariantArray a = load();
    for (const Block& k : GetParam().blocks)
      for (int slot = 1; slot <= k.lines; ++slot)
        for (int m = 0; m < k.width; ++m) {
          const Variant& stored = a[layout().bufferColumn(element(k, slot, m))];
          const std::string cleared = stored.isString() ? " " : "0";
          EXPECT_EQ(stored.toText(), slot <= 2 ? b[element(k, slot == 1 ? 2 : k.lines, m)].toText() : cleared)
              << slot << "/" << m;
        }
  }
}

TEST_P(RegionalForm, AnApostropheInACodeWritesNothing) {
  VariantArray b = sparseBuffer();
  b[element(GetParam().blocks.front(), 2, 0)] = Variant("P'2");
  Raised r = save(b);
  EXPECT_EQ(r.number, 3075);
  EXPECT_THAT(r.description, StartsWith(std::string(GetParam().annotation) + ".GuardarDeclaracion" +
                                        GetParam().record + ".InsertarDeclaracion"));
  EXPECT_EQ(count(mod_, GetParam().table), 0);
}

// --- Rates by body ----------------------------------------------------------------

TEST(BodyColumns, CodesToColumns) {
  // The codes out of sequence; the others follow the rate columns (seed tests); none for the rest.
  const std::pair<int16_t, const char*> cases[] = {{1, "T07_TIPO02"}, {16, "T07_TIPO15"}, {20, "T07_TIPO17"},
      {21, "T07_TIPO01"}, {22, "T07_TIPO18"}, {0, ""}, {5, ""}, {15, ""}, {18, ""}, {19, ""}, {23, ""}};
  for (auto [code, column] : cases) EXPECT_EQ(forms::rateColumnOf(code), column) << code;
}

using Rates = std::vector<std::pair<std::string, double>>;

Variant lookup(const Regional& f, int32_t secdec, int32_t year, int16_t period, const std::string& body) {
  return call(f.service, f.lookup, {Variant(secdec), Variant(year), Variant(period), Variant(body)});
}

// Epigraph -> rate of a result, sorted by epigraph.
Rates epigraphs(const Variant& table) {
  Rates out;
  const VariantArray& a = table.array();
  for (int32_t r = 1; r <= a.ubound(2); ++r) out.emplace_back(a.at({3, r}).toText(), a.at({4, r}).toDouble());
  std::sort(out.begin(), out.end());
  return out;
}

using RatesOfABody = ServiceTest;

TEST_F(RatesOfABody, InTheSetInForce) {
  // Form 581 leaves out the epigraphs at rate 0 (1.5 always), form 582 keeps them (1.4).
  auto six = [](double rate, double rate14) {
    return Rates{{"1.1", rate}, {"1.11", rate}, {"1.2.1", rate}, {"1.2.2", rate}, {"1.3", rate}, {"1.4", rate14}};
  };
  auto three = [](double rate122, double rate13) { return Rates{{"1.2.2", rate122}, {"1.3", rate13}, {"1.4", 0}}; };
  const struct { const Regional* form; int32_t secdec, year; int16_t period; const char* body; int32_t setYear;
                 Rates rates; } cases[] = {
      {&k581, 0, 2014, 3, "01", 2013, six(24, 3)},     // T07_TIPO02 of the 2013/01 set
      {&k581, 0, 2015, 1, "21", 2014, six(9, 1.12)},   // T07_TIPO01 of the 2014/07 set
      {&k581, 0, 2014, 6, "02", 2013, six(20, 2.5)},   // the last period of the first set
      {&k581, 0, 2014, 7, "22", 2014, six(10, 1.25)},  // 1.3 listed twice in the set comes back once
      {&k581, 77, 2016, 1, "1", 2016, six(24, 3)},     // number and code without padding
      {&k582, 0, 2014, 3, "01", 2013, three(24, 24)},
      {&k582, 0, 2015, 10, "1", 2015, three(24, 14)},
      {&k582, 0, 2016, 3, "21", 2015, three(9, 4)},
      {&k582, 0, 2016, 3, "22", 2015, three(10, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.form->model) + " " + c.body + " " + std::to_string(c.year));
    Variant t = lookup(*c.form, c.secdec, c.year, c.period, c.body);
    const VariantArray& a = t.array();
    EXPECT_EQ(a.ubound(1), 6);
    EXPECT_EQ(a.at({0, 1}).toText(), c.form->model);
    EXPECT_EQ(a.at({1, 1}).toLong(), c.setYear);
    EXPECT_EQ(epigraphs(t), c.rates);
  }
  for (const Regional* f : {&k581, &k582}) {
    StatementLog log;
    lookup(*f, 0, 2014, 3, "01");
    std::string model = f->model;
    EXPECT_THAT(log.statements(),
                ElementsAre("Select distinct top 1  T07_EJER, T07_PER  from T07_TIPOS4 where T07_MOD = '" + model +
                                "' and T07_EJER  &  format(T07_PER,'00')  <= 201403 ORDER BY  T07_EJER desc, T07_PER desc",
                            "Select distinct T07_MOD,T07_EJER, T07_PER,T07_EPIEXT,T07_TIPO02,T07_NOMC,T07_NOME from "
                            "T07_TIPOS4 where T07_MOD = '" + model + "'  and T07_EJER  &  T07_PER  = '20131'" +
                                f->zeroRateCondition + " ORDER BY T07_MOD, T07_EJER desc, T07_PER desc"));
  }
}

TEST_P(RegionalForm, RateFailuresAreAnnotated) {
  const Regional& f = GetParam();
  const struct { const char* body; int32_t year, error; } cases[] = {  // error 0: any; 3021: no set old enough
      {"05", 2015, 0}, {"15", 2015, 0}, {"18", 2015, 0}, {"19", 2015, 0}, {"0", 2015, 0}, {"-1", 2015, 0},
      {"23", 2015, 0}, {"AB", 2015, 13}, {"01", 2012, 3021}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.body) + " " + std::to_string(c.year));
    Raised r = raisedBy([&] { lookup(f, 0, c.year, 12, c.body); });
    EXPECT_TRUE(c.error ? r.number == c.error : r.number != 0) << r.number;
    EXPECT_THAT(r.description, StartsWith(std::string(f.annotation) + ".ObtenerTipo" + f.record + ".ObtenerTipo"));
  }
}

std::string createT07() {
  std::string create =
      "CREATE TABLE T07_TIPOS4 (T07_MOD TEXT(3), T07_EJER SHORT, T07_PER SHORT, T07_EPIEXT TEXT(6), T07_NOMC "
      "TEXT(100), T07_NOME TEXT(100)";
  for (int c = 1; c <= 18; ++c) create += std::string(", T07_TIPO") + (c < 10 ? "0" : "") + std::to_string(c) + " DOUBLE";
  return create + ")";
}

std::string rateRow(const std::string& model, const std::string& epi, const std::string& name, double rate) {
  return "INSERT INTO T07_TIPOS4 (T07_MOD, T07_EJER, T07_PER, T07_EPIEXT, T07_NOMC, T07_NOME, T07_TIPO02) VALUES ('" +
         model + "', 2014, 7, '" + epi + "', '" + name + "', 'e', " + std::to_string(rate) + ")";
}

TEST_P(RegionalForm, RepeatedEpigraphsKeepTheFirstRow) {
  std::string m = GetParam().model;
  ZIVEGeneral::setReferencePath(databaseWith(dir_, "DUP.MDB", {createT07(), rateRow(m, "2.1", "uno", 5),
                                                               rateRow(m, "2.1", "dos", 6), rateRow(m, "2.2", "tres", 7)}));
  const VariantArray a = lookup(GetParam(), 0, 2015, 1, "01").array();
  ASSERT_EQ(a.ubound(2), 2);
  EXPECT_EQ(a.at({3, 1}).toText(), "2.1");
  EXPECT_EQ(a.at({5, 1}).toText(), "uno");
  EXPECT_EQ(a.at({3, 2}).toText(), "2.2");
}

INSTANTIATE_TEST_SUITE_P(Regional, RegionalForm, ::testing::Values(k581, k582), nameOf);

// --- Form 582: the bodies with their rates ----------------------------------------

using BodiesWithRates = ServiceTest;

Variant list(const std::string& epi, int32_t year, int16_t period, const std::string& idioma) {
  return call("cZIVETipologia16", "cargarListaAdmCom", {Variant(year), Variant(period), Variant(epi), Variant(idioma)});
}

TEST_F(BodiesWithRates, NamesPairedWithTheColumnsFromTIPO02ByPosition) {
  auto names = rows(sampleReference(), "SELECT TADM_DESC, TADM_DESE FROM TAUX_ADMCOM");
  // language: 0 TADM_DESC, 1 TADM_DESE; rates: T07_TIPO02 to T07_TIPO18.
  const struct { const char* idioma; int language; const char* epi; int32_t year; int16_t period;
                 std::vector<double> rates; } cases[] = {
      {"C", 0, "1.3", 2016, 3, {14, 11, 28, 13, 27, 23, 26, 29, 25, 7, 24, 17, 21, 3, 19, 5, 6}},
      {"c", 1, "1.3", 2016, 3, {14, 11, 28, 13, 27, 23, 26, 29, 25, 7, 24, 17, 21, 3, 19, 5, 6}},
      {"E", 1, "1.2.2", 2015, 9, {24, 20, 48, 22, 46, 0, 44, 47, 45, 12, 43, 0, 42, 6, 0, 8, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.idioma) + " " + c.epi);
    const VariantArray a = list(c.epi, c.year, c.period, c.idioma).array();
    ASSERT_EQ(a.ubound(1), 17);
    ASSERT_EQ(a.ubound(2), 2);
    for (int32_t r = 0; r < 17; ++r) {
      EXPECT_EQ(a.at({r, 0}).toText(), names[r][c.language]) << r;
      EXPECT_EQ(a.at({r, 1}).toDouble(), c.rates[r]) << r;
      EXPECT_TRUE(a.at({r, 2}).isEmpty());
    }
    EXPECT_TRUE(a.at({17, 0}).isEmpty() && a.at({17, 1}).isEmpty());
  }
  StatementLog log;
  list("1.3", 2016, 3, "C");
  std::string columns = "T07_TIPO02";
  for (int c = 3; c <= 18; ++c) columns += std::string(c < 10 ? ", T07_TIPO0" : ", T07_TIPO") + std::to_string(c);
  EXPECT_THAT(log.statements(),
              ElementsAre("Select top 1  " + columns + " from T07_TIPOS4 where T07_EPIEXT = '1.3'  and T07_MOD = "
                          "'582' and T07_EJER  &  format(T07_PER,'00')  <= 201603 ORDER BY  T07_EJER desc, T07_PER desc",
                          "Select TADM_DESC from TAUX_ADMCOM"));
}

TEST_F(BodiesWithRates, FailuresAreAnnotated) {
  std::vector<std::string> sixteen{createT07(), rateRow("582", "1.3", "uno", 5),
                                   "CREATE TABLE TAUX_ADMCOM (TADM_COD TEXT(2), TADM_DESC TEXT(60), TADM_DESE TEXT(60))"};
  for (int i = 1; i <= 16; ++i) sixteen.push_back("INSERT INTO TAUX_ADMCOM VALUES ('01', 'a', 'b')");
  const struct { const char* name; std::string reference; const char* epi; int32_t year, error; } cases[] = {
      {"no set old enough", sampleReference(), "1.3", 2012, 13},
      {"an epigraph without rates", sampleReference(), "9.9", 2016, 13},
      {"sixteen bodies", databaseWith(dir_, "SIXTEEN.MDB", sixteen), "1.3", 2016, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ZIVEGeneral::setReferencePath(c.reference);
    Raised r = raisedBy([&] { list(c.epi, c.year, 3, "C"); });
    EXPECT_EQ(r.number, c.error);
    EXPECT_THAT(r.description,
                StartsWith("cZIVETipologia16_Nueva.cargarListaAdmComcZIVET18_Tipologia16.cargarListaAdmCom"));
  }
}

TEST(RecordClass582, IsCreatableWithItsPropertiesInSlotOrder) {
  auto record = CreateObject("svrZIVE.cZIVET18_Tipologia16");
  record->let("datT18_TIPOREX1", Variant("2.5"));
  record->let("datT18_ADMCOM8", Variant(int32_t{7}));
  EXPECT_EQ(record->get("datT18_TIPOREX1").toDouble(), 2.5);
  EXPECT_EQ(record->get("datT18_ADMCOM8").toText(), "7");
  EXPECT_EQ(raisedBy([&] { record->get("datT18_REX_TIPO1"); }).number, 438);
  std::vector<std::string> names;
  for (const Member& m : record->typeInfo().members) names.push_back(m.name);
  ASSERT_EQ(names.size(), 2u * 61 + 6);
  const std::pair<int, const char*> slots[] = {{0, "datT18_SECDEC"},   {4, "datT18_CODEPI1"},  {20, "datT18_BASIMP1"},
                                               {52, "datT18_TIPOREX1"}, {84, "datT18_ADMCOM1"}, {116, "datT18_IMPING"},
                                               {122, "CargarDeclaracion"}, {127, "cargarListaAdmCom"}};
  for (auto [slot, name] : slots) EXPECT_EQ(names[slot], name) << slot;
}

}  // namespace
}  // namespace svrZIVE::testing
