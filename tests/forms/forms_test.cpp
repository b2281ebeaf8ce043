// What every form shares, form by form through late binding: every column
// round-trips and the final amount reaches the header, a short buffer fails
// before any database is opened, errors nest service first, the record
// classes but one are not creatable, deletion of a return reaches its detail or not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
  bool recordIsPublic = false;
  // The forms with a final amount: the element copied into T02_IMPFIN, and
  // the layout (the stock-accounting round trips are their family's own).
  int32_t finalAmount = -1;
  const forms::FormLayout& (*layout)() = nullptr;
};

const Form kForms[] = {
    {"cZIVETipologia1", "cZIVETipologia1", "cZIVET03_Tipologia1", "T03_Tipologia1", 1, 17, true, false, 11,
     forms::layoutTipologia1},
    {"cZIVETipologia2", "cZIVETipologia2", "cZIVET04_Tipologia2", "T04_Tipologia2", 2, 34, true, false, 33,
     forms::layoutTipologia2},
    {"cZIVETipologia3", "cZIVETipologia3", "cZIVET05_Tipologia3", "T05_Tipologia3", 3, 20, true, false, 19,
     forms::layoutTipologia3},
    {"cZIVETipologia4", "cZIVETipologia4", "cZIVET06_Tipologia4", "T06_Tipologia4", 4, 12, true, false, 11,
     forms::layoutTipologia4},
    {"cZIVETipologia5", "cZIVETipologia5", "cZIVET07_Tipologia5", "T07_Tipologia5", 5, 68, true, false, 67,
     forms::layoutTipologia5},
    {"cZIVETipologia5_Nueva", "cZIVETipologia5_Nueva", "cZIVET09_Tipologia5_Nueva", "T09_Tipologia5_Nueva", 5, 76,
     false, false, 75, forms::layoutTipologia5Nueva},
    {"cZIVETipologia6", "cZIVETipologia6", "cZIVET08_Tipologia6", "T08_Tipologia6", 6, 28, true, false, 27,
     forms::layoutTipologia6},
    {"cZIVETipologia1_2015", "cZIVETipologia1_2015", "cZIVET19_Tipologia1", "T19_Tipologia1", 1, 13, false, false, 12,
     forms::layoutTipologia1_2015},
    {"cZIVETipologia8", "cZIVETipologia8", "cZIVET10_Tipologia8", "T10_Tipologia8", 8, 113, true},
    {"cZIVETipologia9", "cZIVETipologia9", "cZIVET11_Tipologia9", "T11_Tipologia9", 9, 157, true},
    {"cZIVETipologia10", "cZIVETipologia10", "cZIVET12_Tipologia10", "T12_Tipologia10", 10, 185, true},
    {"cZIVETipologia11", "cZIVETipologia11", "cZIVET13_Tipologia11", "T13_Tipologia11", 11, 163, true},
    {"cZIVETipologia12", "cZIVETipologia12", "cZIVET14_Tipologia12", "T14_Tipologia12", 12, 127, false},
    {"cZIVETipologia13", "cZIVETipologia13", "cZIVET15_Tipologia13", "T15_Tipologia13", 13, 97, false},
    {"cZIVETipologia14", "cZIVETipologia14", "cZIVET16_Tipologia14", "T16_Tipologia14", 14, 77, false},
    {"cZIVETipologia15", "cZIVETipologia15_Nueva", "cZIVET17_Tipologia15", "T17_Tipologia15", 15, 95, false, false, 94,
     forms::layoutTipologia15},
    {"cZIVETipologia16", "cZIVETipologia16_Nueva", "cZIVET18_Tipologia16", "T18_Tipologia16", 16, 61, false, true},
};

class Forms : public ServiceTest {
 protected:
  // Saves through late binding; the error raised, if any.
  Raised save(const Form& f, Variant buffer, bool insert) {
    auto object = CreateObject(std::string("svrZIVE.") + f.service);
    std::vector<Variant> args{std::move(buffer), Variant(insert)};
    return raisedBy([&] { object->invoke("GuardarDeclaracion", args); });
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
    Variant row = CreateObject(std::string("svrZIVE.") + f.service)->call("CargarDeclaracion", {Variant(int32_t{5})});
    ASSERT_TRUE(row.isArray());
    for (int32_t e = 0; e < f.elements; ++e) EXPECT_EQ(row.array()[e].toText(), b[e].toText()) << "element " << e;
    EXPECT_DOUBLE_EQ(headerAmount(mod_, 5), b[f.finalAmount].toDouble());
    SetUp();
  }
}

TEST_F(Forms, AShortBufferFailsBeforeAnyDatabaseIsOpened) {
  ZIVEGeneral::setModifiablePath((dir_.path() / "missing" / "ZIVEMOD.MDB").string());
  StatementLog log;
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.service);
    Raised r = save(f, Variant(numberedBuffer(f.elements - 1)), true);
    EXPECT_EQ(r.number, 9);
    EXPECT_THAT(r.description, StartsWith(std::string(f.annotation) + ".GuardarDeclaracion"));
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
    auto object = CreateObject(std::string("svrZIVE.") + f.service);
    Raised load = raisedBy([&] { object->call("CargarDeclaracion", {Variant(int32_t{5})}); });
    EXPECT_NE(load.number, 0);
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
    EXPECT_TRUE(CreateObject(std::string("svrZIVE.") + f.service)->call("CargarDeclaracion", {Variant(int32_t{6})}).isNull());
    cZIVEDeclaraciones declaraciones;
    declaraciones.EliminarDeclaraciones(5, f.typology);
    EXPECT_EQ(count(mod_, "T02_Declaraciones"), 0);
    EXPECT_EQ(count(mod_, f.table), f.deletionReachesTheDetail ? 0 : 1);
  }
}

}  // namespace
}  // namespace svrZIVE::testing
