// What every form shares, form by form through late binding: every column
// round-trips and the final amount reaches the header, a short buffer fails
// before any database is opened, errors nest service first, the record
// classes but one are not creatable, deletion of a return reaches its detail or not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "declarations/cZIVEDeclaraciones.h"
#include "forms/form_layout.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"
#include "tests/forms/forms_fixture.h"

namespace svrZIVE::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Form {
  const char* service;     // the class name
  const char* annotation;  // what the service's errors begin with
  const char* record;
  const char* table;
  uint8_t typology;
  int32_t elements;  // of the buffer
  bool deletionReachesTheDetail;
  // One insert and one update of the table as the trace shows them ("…": any text).
  const char* insert;
  const char* update;
  bool recordIsPublic = false;
  // The forms with a final amount: the element copied into T02_IMPFIN, and
  // the layout (the stock-accounting round trips are their family's own).
  int32_t finalAmount = -1;
  const forms::FormLayout& (*layout)() = nullptr;
  // Buffer element -> load element, where the load has its own order; the
  // moves repeat in `lines` lines `stride` elements apart.
  std::vector<std::pair<int, int>> moved = {};
  int stride = 0, lines = 1;
};

const Form kForms[] = {
    {"cZIVETipologia1", "cZIVETipologia1", "cZIVET03_Tipologia1", "T03_Tipologia1", 1, 17, true,
     "insert into T03_Tipologia1 (T03_SECDEC, T03_BASEIMP, T03_TIPO, T03_CUOTA,…, T03_TOTALCUOTA_N ) values (5,…",
     "Update T03_Tipologia1 set T03_BASEIMP = 1, T03_TIPO = 1,…, T03_TOTALCUOTA_N = 1 WHERE T03_SECDEC = 5",
     false, 11, forms::layoutTipologia1},
    {"cZIVETipologia2", "cZIVETipologia2", "cZIVET04_Tipologia2", "T04_Tipologia2", 2, 34, true,
     "insert into T04_Tipologia2 (T04_SECDEC ,T04_CODEPI1, T04_BASIMP1,T04_GRAPLA1,…,T04_CUOTA ) values (5,…",
     "Update T04_Tipologia2 set  T04_CODEPI1 = '1', T04_BASIMP1 = 1,…, T04_CUOTA = 1 WHERE T04_SECDEC = 5",
     false, 33, forms::layoutTipologia2},
    {"cZIVETipologia3", "cZIVETipologia3", "cZIVET05_Tipologia3", "T05_Tipologia3", 3, 20, true,
     "insert into T05_Tipologia3 (T05_SECDEC ,T05_CODEPI1, T05_BASIMP1, T05_TIPO1,…,T05_CUOTA) values (5,…",
     "Update T05_Tipologia3 set  T05_CODEPI1 = '1', T05_BASIMP1 = 1,…, T05_CUOTA = 1 WHERE T05_SECDEC = 5",
     false, 19, forms::layoutTipologia3},
    {"cZIVETipologia4", "cZIVETipologia4", "cZIVET06_Tipologia4", "T06_Tipologia4", 4, 12, true,
     "insert into T06_Tipologia4 (T06_SECDEC ,T06_CODEPI1, T06_BASIMP1, T06_TIPO1,…,T06_CUOTA) values (5,…",
     "Update T06_Tipologia4 set  T06_CODEPI1 = '1', T06_BASIMP1 = 1,…, T06_CUOTA = 1 WHERE T06_SECDEC = 5",
     false, 11, forms::layoutTipologia4},
    {"cZIVETipologia5", "cZIVETipologia5", "cZIVET07_Tipologia5", "T07_Tipologia5", 5, 68, true,
     "insert into T07_Tipologia5 (T07_SECDEC ,T07_CODEPI1, T07_BASIMP1, T07_TIPO1,…,T07_CUOTA) values (5,…",
     "Update T07_Tipologia5 set  T07_CODEPI1 = '1', T07_BASIMP1 = 1,…, T07_CUOTA = 1 WHERE T07_SECDEC = 5",
     false, 67, forms::layoutTipologia5},
    {"cZIVETipologia5_Nueva", "cZIVETipologia5_Nueva", "cZIVET09_Tipologia5_Nueva", "T09_Tipologia5_Nueva", 5, 76, false,
     "insert into T09_Tipologia5_Nueva (T09_SECDEC ,T09_CODEPI1, T09_BASIMP1, T09_TIPO1,…,T09_CUOTA) values (5,…",
     "Update T09_Tipologia5_Nueva set  T09_CODEPI1 = '1', T09_BASIMP1 = 1,…, T09_CUOTA = 1 WHERE T09_SECDEC = 5",
     false, 75, forms::layoutTipologia5Nueva},
    {"cZIVETipologia6", "cZIVETipologia6", "cZIVET08_Tipologia6", "T08_Tipologia6", 6, 28, true,
     "insert into T08_Tipologia6 (T08_SECDEC ,T08_CODEPI1, T08_BASIMP1, T08_TIPO1,…,T08_CUOTA) values (5,…",
     "Update T08_Tipologia6 set  T08_CODEPI1 = '1', T08_BASIMP1 = 1,…, T08_CUOTA = 1 WHERE T08_SECDEC = 5",
     false, 27, forms::layoutTipologia6},
    {"cZIVETipologia1_2015", "cZIVETipologia1_2015", "cZIVET19_Tipologia1", "T19_Tipologia1", 1, 13, false,
     "insert into T19_Tipologia1 (T19_SECDEC, T19_BASEIMP, T19_REDUCC, T19_BASELIQ,…, T19_CUOINTTOT) values (5,…",
     "Update T19_Tipologia1 set T19_BASEIMP = 1, T19_REDUCC = 1,…, T19_CUOINTTOT = 1 WHERE T19_SECDEC = 5",
     false, 12, forms::layoutTipologia1_2015},
    {"cZIVETipologia8", "cZIVETipologia8", "cZIVET10_Tipologia8", "T10_Tipologia8", 8, 113, true,
     "insert into T10_Tipologia8 (T10_SECDEC, T10_EXINI1,T10_EXINI2,T10_EXINI3,…,T10_RECEP8) VALUES (5,…",
     "Update T10_Tipologia8 set T10_EXINI1 = 1,T10_EXINI2 = 1,…,T10_RECEP8 = 1 WHERE T10_SECDEC = 5"},
    {"cZIVETipologia9", "cZIVETipologia9", "cZIVET11_Tipologia9", "T11_Tipologia9", 9, 157, true,
     "insert into T11_Tipologia9 (T11_SECDEC, T11_PM_MATERIA1,T11_PM_MATERIA2,T11_PM_MATERIA3,…,T11_MA_RECEP6) VALUES (5,…",
     "Update T11_Tipologia9 set T11_PM_MATERIA1 = 1,T11_PM_MATERIA2 = 1,…,T11_PM_RECEP6 = 1 WHERE T11_SECDEC = 5"},
    {"cZIVETipologia10", "cZIVETipologia10", "cZIVET12_Tipologia10", "T12_Tipologia10", 10, 185, true,
     "insert into T12_Tipologia10 (T12_SECDEC, T12_PM_MATERIA1,T12_PM_MATERIA2,T12_PM_MATERIA3,…,T12_PE_RECEP5) VALUES (5,…",
     "Update T12_Tipologia10 set T12_PM_MATERIA1 = 1,T12_PM_MATERIA2 = 1,…,T12_PPE_DIFER1 = 1 WHERE T12_SECDEC = 5"},
    {"cZIVETipologia11", "cZIVETipologia11", "cZIVET13_Tipologia11", "T13_Tipologia11", 11, 163, true,
     "insert into T13_Tipologia11 (T13_SECDEC, T13_PM_MATERIA1,T13_PM_MATERIA2,T13_PM_MATERIA3,…,T13_MB_RECEP6) VALUES (5,…",
     "Update T13_Tipologia11 set T13_PM_MATERIA1 = 1,T13_PM_MATERIA2 = 1,…,T13_PM_RECEP6 = 1 WHERE T13_SECDEC = 5"},
    {"cZIVETipologia12", "cZIVETipologia12", "cZIVET14_Tipologia12", "T14_Tipologia12", 12, 127, false,
     "insert into T14_Tipologia12 (T14_SECDEC, T14_PM_MATERIA1,T14_PM_MATERIA2,T14_PM_MATERIA3,…,T14_CE_RECEP6) VALUES (5,…",
     "Update T14_Tipologia12 set T14_PM_MATERIA1 = 1,T14_PM_MATERIA2 = 1,…,T14_PM_EXTR10 = 1 WHERE T14_SECDEC = 5"},
    {"cZIVETipologia13", "cZIVETipologia13", "cZIVET15_Tipologia13", "T15_Tipologia13", 13, 97, false,
     "insert into T15_Tipologia13 (T15_SECDEC, T15_EPIG1,T15_EPIG2,T15_EPIG3,…,T15_RECEP6) VALUES (5,…",
     "Update T15_Tipologia13 set T15_EPIG1 = '1',T15_EPIG2 = '1',…,T15_RECEP6 = 1 WHERE T15_SECDEC = 5"},
    {"cZIVETipologia14", "cZIVETipologia14", "cZIVET16_Tipologia14", "T16_Tipologia14", 14, 77, false,
     "insert into T16_Tipologia14 (T16_SECDEC, T16_EPIG1,T16_EPIG2,T16_EPIG3,…,T16_RECEP4) VALUES (5,…",
     "Update T16_Tipologia14 set T16_EPIG1 = '1',T16_EPIG2 = '1',…,T16_RECEP4 = 1 WHERE T16_SECDEC = 5"},
    {"cZIVETipologia15", "cZIVETipologia15_Nueva", "cZIVET17_Tipologia15", "T17_Tipologia15", 15, 95, false,
     "insert into T17_Tipologia15 (T17_SECDEC ,T17_CODEPI1, T17_BASIMP1, T17_TIPO1,…,T17_CUOTA) values (5,…",
     "Update T17_Tipologia15 set  T17_CODEPI1 = '1', T17_BASIMP1 = 1,…, T17_CUOTA = 1 WHERE T17_SECDEC = 5",
     false, 94, forms::layoutTipologia15},
    {"cZIVETipologia16", "cZIVETipologia16_Nueva", "cZIVET18_Tipologia16", "T18_Tipologia16", 16, 61, false,
     "insert into T18_Tipologia16 (T18_SECDEC, T18_CUENTA ,T18_CODEPI1, T18_BASIMP1,…,T18_CUOINT) values (5,…",
     "Update T18_Tipologia16 set  T18_CUENTA = '1', T18_CODEPI1 = '1',…, T18_CUOINT = 1 WHERE T18_SECDEC = 5",
     // line 1 saved: code, base, TIPODEV, REX_TIPO, DIF_TIPO, REX_AC, amount; loaded: ..., REX_AC, REX_TIPO, DIF_TIPO, ...
     true, 60, forms::layoutTipologia16, {{5, 6}, {6, 7}, {7, 5}}, 7, 8},
};

const Form& form(const std::string& service) {
  return *std::find_if(std::begin(kForms), std::end(kForms), [&](const Form& f) { return f.service == service; });
}

class Forms : public ServiceTest {
 protected:
  // Saves through late binding; the error raised, if any.
  Raised save(const Form& f, Variant buffer, bool insert) {
    return raisedBy([&] { call(f.service, "GuardarDeclaracion", {std::move(buffer), Variant(insert)}); });
  }
  // Every element 1 (a text of one letter in the text columns), element 0 the number.
  static Variant buffer(const Form& f, int32_t secdec) {
    VariantArray b = VariantArray::vector(0, f.elements - 1);
    for (int32_t i = 1; i < f.elements; ++i) b[i] = Variant(1.0);
    b[0] = Variant(secdec);
    return Variant(std::move(b));
  }
};

TEST_F(Forms, EveryColumnRoundTripsAndTheFinalAmountReachesTheHeader) {
  for (const Form& f : kForms) {
    if (!f.layout) continue;
    SCOPED_TRACE(f.service);
    insertHeader(mod_, 5, 1, 2016, "1", 3, f.typology);
    // Element e holds e, a letter in the text columns (so that every line is
    // in use and a one-letter column keeps it whole).
    const forms::FormLayout& layout = f.layout();
    VariantArray b = numberedBuffer(f.elements, 0.0);
    for (int32_t e = 1; e < f.elements; ++e)
      if (layout.columns[layout.bufferColumn(e)].isText()) b[e] = Variant(std::string(1, char('A' + e % 26)));
    b[0] = Variant(int32_t{5});
    ASSERT_EQ(save(f, Variant(b), true).number, 0);
    Variant row = call(f.service, "CargarDeclaracion", {Variant(int32_t{5})});
    ASSERT_TRUE(row.isArray());
    // The load gives the layout's columns (the table's first ones) in the
    // table's order, the buffer its own.
    std::vector<std::string> names, table = fieldNames(mod_, f.table);
    for (const auto& c : layout.columns) names.push_back(c.name);
    table.resize(std::min(table.size(), names.size()));
    EXPECT_EQ(names, table);
    std::vector<int> at(f.elements);  // where the load puts each element
    std::iota(at.begin(), at.end(), 0);
    for (int line = 0; line < f.lines; ++line)
      for (auto [element, loaded] : f.moved) at[element + f.stride * line] = loaded + f.stride * line;
    for (int32_t e = 0; e < f.elements; ++e) EXPECT_EQ(row.array()[at[e]].toText(), b[e].toText()) << "element " << e;
    EXPECT_DOUBLE_EQ(headerAmount(mod_, 5), b[f.finalAmount].toDouble());
    SetUp();
  }
}

// A short buffer, or an element that does not convert to its property's type,
// fails before any database is opened (the path given cannot be opened).
TEST_F(Forms, BadBuffersFailBeforeAnyDatabaseIsOpened) {
  // Element -1: the buffer is not an array.
  const struct { const char* service; int32_t element; Variant value; int32_t error; } cases[] = {
      {"cZIVETipologia1", -1, Variant(3.0), 13},         {"cZIVETipologia1", 5, Variant("abc"), 13},
      {"cZIVETipologia1", 16, Variant::null(), 94},      {"cZIVETipologia1", 0, Variant(3e9), 6},
      {"cZIVETipologia1", 0, Variant(""), 13},           {"cZIVETipologia2", 3, Variant(40000.0), 6},
      {"cZIVETipologia8", 0, Variant(3e9), 6},           {"cZIVETipologia9", 3, Variant(40000.0), 6},
      {"cZIVETipologia10", 93, Variant::null(), 94},     {"cZIVETipologia10", 171, Variant::null(), 94},
      {"cZIVETipologia10", 88, Variant("x"), 13},        {"cZIVETipologia11", 6, Variant(-32769.0), 6},
      {"cZIVETipologia12", 31, Variant::null(), 94},     {"cZIVETipologia13", 1, Variant::null(), 94},
      {"cZIVETipologia14", 76, Variant("x"), 13},        {"cZIVETipologia15", 9, Variant::null(), 94},
      {"cZIVETipologia15", 6, Variant("cuatro"), 13},    {"cZIVETipologia16", 16, Variant::null(), 94},
      {"cZIVETipologia16", 10, Variant("cuatro"), 13},
  };
  ZIVEGeneral::setModifiablePath((dir_.path() / "missing" / "ZIVEMOD.MDB").string());
  StatementLog log;
  auto expectRaised = [](const Form& f, const Raised& r, int32_t error) {
    EXPECT_EQ(r.number, error);
    EXPECT_THAT(r.description, StartsWith(std::string(f.annotation) + ".GuardarDeclaracion"));
  };
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.service);
    expectRaised(f, save(f, Variant(numberedBuffer(f.elements - 1)), true), 9);
  }
  for (const auto& c : cases) {
    const Form& f = form(c.service);
    SCOPED_TRACE(std::string(c.service) + " element " + std::to_string(c.element));
    Variant b = buffer(f, 5);
    if (c.element < 0) b = c.value;
    else b.array()[c.element] = c.value;
    expectRaised(f, save(f, b, true), c.error);
  }
  EXPECT_TRUE(log.statements().empty());
}

TEST_F(Forms, ErrorsNestServiceFirst) {
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.service);
    SetUp();
    insertHeader(mod_, 5, 1, 2016, "1", 3, f.typology);
    execute(mod_, std::string("DROP TABLE ") + f.table);
    std::string service = std::string(f.annotation) + ".GuardarDeclaracion" + f.record;
    EXPECT_THAT(save(f, buffer(f, 5), true).description, StartsWith(service + ".InsertarDeclaracion"));
    EXPECT_THAT(save(f, buffer(f, 5), false).description, StartsWith(service + ".GuardarDeclaracion"));
    // The record's load traps nothing.
    Raised load = raisedBy([&] { call(f.service, "CargarDeclaracion", {Variant(int32_t{5})}); });
    EXPECT_THAT(load.description, StartsWith(std::string(f.annotation) + ".CargarDeclaracion"));
    EXPECT_THAT(load.description, Not(HasSubstr(f.record)));
    if (f.deletionReachesTheDetail) {
      cZIVEDeclaraciones declaraciones;
      EXPECT_THAT(raisedBy([&] { declaraciones.EliminarDeclaraciones(5, f.typology); }).description,
                  StartsWith("cZIVEDeclaraciones.EliminarDeclaraciones" + std::string(f.record) + ".BorrarDeclaracion"));
    }
    // The record classes are the services' own, but one.
    const ClassRegistry::Class* record = ClassRegistry::global().byName(f.record);
    EXPECT_EQ(record && record->creatable(), f.recordIsPublic);
  }
}

TEST_F(Forms, DeletionOfAReturnRemovesItsDetailOrNot) {
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.service);
    SetUp();
    insertHeader(mod_, 5, 1, 2016, "1", 3, f.typology);
    ASSERT_EQ(save(f, buffer(f, 5), true).number, 0);
    EXPECT_TRUE(call(f.service, "CargarDeclaracion", {Variant(int32_t{6})}).isNull());
    cZIVEDeclaraciones declaraciones;
    declaraciones.EliminarDeclaraciones(5, f.typology);
    EXPECT_EQ(count(mod_, "T02_Declaraciones"), 0);
    EXPECT_EQ(count(mod_, f.table), f.deletionReachesTheDetail ? 0 : 1);
  }
}

// The statements as written, and the header's final amount where the form has one.
TEST_F(Forms, StatementsAsWritten) {
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.service);
    SetUp();
    insertHeader(mod_, 5, 1, 2016, "1", 3, f.typology);
    StatementLog log;
    save(f, buffer(f, 5), true);
    save(f, buffer(f, 5), false);
    auto inserts = log.startingWith("insert into " + std::string(f.table));
    auto updates = log.startingWith("Update " + std::string(f.table));
    ASSERT_EQ(inserts.size(), 1u);
    ASSERT_FALSE(updates.empty());
    EXPECT_TRUE(matches(inserts[0], f.insert)) << inserts[0];
    EXPECT_TRUE(matches(updates[0], f.update)) << updates[0];
    EXPECT_EQ(log.startingWith("Update T02_Declaraciones set T02_IMPFIN = 1 where T02_SECDEC =5").size(),
              f.finalAmount < 0 ? 0u : 2u);
  }
}

}  // namespace
}  // namespace svrZIVE::testing
