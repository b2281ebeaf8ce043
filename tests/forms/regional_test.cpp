// The regional-rate forms 581 (cZIVETipologia15) and 582 (cZIVETipologia16):
// the packing of filled lines, the round trip, the rates of an
// administrative body, and form 582's list of bodies with their rates.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "forms/form_layout.h"
#include "forms/regional/body_rates.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr int32_t kSecdec = 12;

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

class BodiesWithRates : public ServiceTest {
 protected:
  Variant list(const std::string& epi, int32_t year, int16_t period, const std::string& idioma) {
    return call("cZIVETipologia16", "cargarListaAdmCom", {Variant(year), Variant(period), Variant(epi), Variant(idioma)});
  }
};

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
