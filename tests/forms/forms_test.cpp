// What every form shares, form by form through late binding: a short buffer
// fails before any database is opened, errors nest service first, the record
// classes but one are not creatable, deletion of a return reaches its detail or not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "declarations/cZIVEDeclaraciones.h"
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
};

const Form kForms[] = {
    {"cZIVETipologia1", "cZIVETipologia1", "cZIVET03_Tipologia1", "T03_Tipologia1", 1, 17, true},
    {"cZIVETipologia8", "cZIVETipologia8", "cZIVET10_Tipologia8", "T10_Tipologia8", 8, 113, true},
    {"cZIVETipologia9", "cZIVETipologia9", "cZIVET11_Tipologia9", "T11_Tipologia9", 9, 157, true},
    {"cZIVETipologia10", "cZIVETipologia10", "cZIVET12_Tipologia10", "T12_Tipologia10", 10, 185, true},
    {"cZIVETipologia11", "cZIVETipologia11", "cZIVET13_Tipologia11", "T13_Tipologia11", 11, 163, true},
    {"cZIVETipologia12", "cZIVETipologia12", "cZIVET14_Tipologia12", "T14_Tipologia12", 12, 127, false},
    {"cZIVETipologia13", "cZIVETipologia13", "cZIVET15_Tipologia13", "T15_Tipologia13", 13, 97, false},
    {"cZIVETipologia14", "cZIVETipologia14", "cZIVET16_Tipologia14", "T16_Tipologia14", 14, 77, false},
    {"cZIVETipologia15", "cZIVETipologia15_Nueva", "cZIVET17_Tipologia15", "T17_Tipologia15", 15, 95, false},
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
