// Calling objects by name, as automation clients do.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/dao_objects.h"
#include "frame/service_paths.h"
#include "frame/zive_general.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;

// A service class as the later ones look: path properties, an operation that
// fills a buffer in place, one with an optional argument, a property.
class cZIVEPrueba : public ServicePaths {
 public:
  bool Cargar(int32_t lngSecdec, Variant& vBuffer) {
    VariantArray buffer = VariantArray::vector(0, 2);
    buffer[0] = Variant(lngSecdec);
    buffer[1] = Variant("cargado");
    vBuffer = Variant(std::move(buffer));
    return true;
  }
  int32_t Sumar(int32_t a, int32_t b = 100) { return a + b; }
  void Contar(int16_t& intVeces) { ++intVeces; }
  std::string Nombre = "inicial";
};

const TypeInfo& pruebaMembers() {
  static const TypeInfo info = [] {
    MemberTable<cZIVEPrueba> t("cZIVEPrueba");
    addPathProperties(t);
    t.method("Cargar", {{"lngSecdec", "Long"}, {"vBuffer", "Variant"}}, "Boolean",
             [](cZIVEPrueba& p, CallArguments& a) { return Variant(p.Cargar(a.lng(0), a[1])); });
    t.method("Sumar", {{"a", "Long"}, {"b", "Long", true}}, "Long", [](cZIVEPrueba& p, CallArguments& a) {
      return Variant(a.present(1) ? p.Sumar(a.lng(0), a.lng(1)) : p.Sumar(a.lng(0)));
    });
    t.method("Contar", {{"intVeces", "Integer"}}, {}, [](cZIVEPrueba& p, CallArguments& a) {
      int16_t veces = a.integer(0);
      p.Contar(veces);
      a[0] = Variant(veces);
      return Variant();
    });
    t.get("Nombre", "String", [](cZIVEPrueba& p) { return Variant(p.Nombre); });
    t.let("Nombre", "String", [](cZIVEPrueba& p, const Variant& v) { p.Nombre = v.toText(); });
    return std::move(t).build();
  }();
  return info;
}

class LateBinding : public ::testing::Test {
 protected:
  void TearDown() override { ZIVEGeneral::endThreadState(); }
  std::shared_ptr<cZIVEPrueba> prueba_ = std::make_shared<cZIVEPrueba>();
  std::shared_ptr<AutomationObject> object_ = makeObject(prueba_, pruebaMembers());
};

TEST_F(LateBinding, NamesIgnoreLetterCaseAndOptionalArgumentsMayBeLeftOut) {
  for (const char* name : {"Sumar", "sUmAr"}) {
    EXPECT_EQ(object_->call(name, {Variant(1), Variant(2)}), Variant(3)) << name;
  }
  EXPECT_EQ(object_->call("Sumar", {Variant(1)}), Variant(101));
  EXPECT_EQ(object_->call("Sumar", {Variant(1), Variant("2")}), Variant(3));
}

TEST_F(LateBinding, ArgumentsAreWrittenBackInPlace) {
  std::vector<Variant> args{Variant(int16_t(42)), Variant()};
  Variant result = object_->invoke("Cargar", args);
  EXPECT_EQ(result, Variant(true));
  ASSERT_TRUE(args[1].isArray());
  EXPECT_EQ(args[1].array()[0], Variant(42));
  EXPECT_EQ(args[1].array()[1], Variant("cargado"));
  EXPECT_TRUE(args[1].array()[2].isEmpty());
  EXPECT_EQ(args[0], Variant(int16_t(42))) << "an argument the call does not change stays as it was";
  std::vector<Variant> veces{Variant(int16_t(4))};
  object_->invoke("Contar", veces);
  EXPECT_EQ(veces[0], Variant(int16_t(5)));
}

TEST_F(LateBinding, WrongCallsRaiseTheRuntimeErrors) {
  const struct { const char* member; std::size_t arguments; int32_t error; } cases[] = {
      {"NoExiste", 0, kNoSuchMember},    {"Sumar", 0, kWrongArgumentCount},
      {"Sumar", 3, kWrongArgumentCount}, {"Nombre", 1, kWrongArgumentCount},
      {"mdbmod", 0, kNoSuchMember},  // write-only properties cannot be read
  };
  for (const auto& c : cases) {
    std::vector<Variant> args(c.arguments, Variant(1));
    EXPECT_EQ(errorNumberOf([&] { object_->invoke(c.member, args); }), c.error) << c.member << "/" << c.arguments;
  }
}

TEST_F(LateBinding, PropertiesGetAndLet) {
  EXPECT_EQ(object_->get("nombre"), Variant("inicial"));
  object_->let("NOMBRE", Variant(12));
  EXPECT_EQ(prueba_->Nombre, "12");
  std::vector<Variant> args{Variant("x")};
  // A call that may reach a property let takes its value as the last argument.
  object_->invoke("Nombre", args, kInvokeAny);
  EXPECT_EQ(prueba_->Nombre, "x");
  EXPECT_EQ(errorNumberOf([&] { object_->let("Sumar", Variant(1)); }), kNoSuchMember);
}

TEST_F(LateBinding, VariantsWithoutObjectsAndSignatures) {
  EXPECT_EQ(errorNumberOf([] { automationObject(Variant(1)); }), kObjectRequired);
  std::string sumar;
  for (const Member& m : pruebaMembers().members) {
    if (m.name == "Sumar") sumar = m.signature() + ", " + std::to_string(m.requiredCount()) + " required";
  }
  EXPECT_EQ(sumar, "Sumar(a As Long, [b As Long]) As Long, 1 required");
}

// --- The class registry -------------------------------------------------------

// Lookups by identifier and by name ignore letter case; record classes stay private.
TEST(ClassRegistry, PublicClassesAreFoundByIdentifierAndName) {
  EXPECT_EQ(ClassRegistry::global().classes().size(), 24u);
  EXPECT_EQ(ClassRegistry::global().byClsid("2f3598d7-634b-4087-bbea-71fd4d075f2d")->name, "cZIVEConexionDAO");
  EXPECT_EQ(ClassRegistry::global().byName("SVRZIVE.CZIVETRASPASO")->progId, "svrZIVE.cZIVETraspaso");
  EXPECT_EQ(ClassRegistry::global().byName("cZIVET03_Tipologia1"), nullptr) << "record classes are private";
}

TEST(ClassRegistry, TheTypeLibraryDeclaresBD) {
  auto enums = typeLibraryEnums();
  ASSERT_EQ(enums.size(), 1u);
  EXPECT_EQ(enums[0].name, "BD");
  std::string members;
  for (const auto& m : enums[0].members) members += std::string(m.name) + "=" + std::to_string(m.value) + " ";
  EXPECT_EQ(members, "ZIVEMod=0 ZIVELec=1 ");
}

TEST(ClassRegistry, AClassPlugsInWithOneRegistration) {
  const ClassEntry catalogue[] = {{"cZIVEPrueba", "{11111111-2222-3333-4444-555555555555}"},
                                  {"cZIVEOtra", "{11111111-2222-3333-4444-666666666666}"}};
  ClassRegistry registry(catalogue);
  EXPECT_FALSE(registry.byName("cZIVEPrueba")->creatable());
  EXPECT_EQ(errorNumberOf([&] { registry.create("svrZIVE.cZIVEPrueba"); }), 429);
  auto factory = [] { return makeObject(std::make_shared<cZIVEPrueba>(), pruebaMembers()); };
  EXPECT_TRUE(registry.add("cZIVEPrueba", factory, pruebaMembers));
  EXPECT_FALSE(registry.add("cZIVEPrueba", factory, pruebaMembers)) << "once only";
  EXPECT_FALSE(registry.add("cZIVENoEsta", factory, pruebaMembers)) << "only catalogued classes";
  auto object = registry.create("svrzive.czivePrueba");
  EXPECT_EQ(object->call("Sumar", {Variant(1), Variant(1)}), Variant(2));
  EXPECT_EQ(errorNumberOf([] { CreateObject("svrZIVE.NoSuchClass"); }), 429);
}

// --- The connection through late binding --------------------------------------

class LateBoundConexion : public testing::FrameFixture {};

TEST_F(LateBoundConexion, MembersByNameAndTheRecordsetObject) {
  EXPECT_TRUE(ClassRegistry::global().byName("cZIVEConexionDAO")->creatable());
  EXPECT_EQ(CreateObject("SVRZIVE.CZIVECONEXIONDAO")->className(), "cZIVEConexionDAO");
  auto c = CreateObject("svrZIVE.cZIVEConexionDAO");
  // InicializaBD works on the shared instance; the shared one is the one
  // service classes use, so late-bound calls reach it through its own object.
  c->call("InicializaBD", {Variant(refPath_)});
  EXPECT_EQ(c->get("Dbname"), Variant(refPath_));
  c->let("dbname", Variant("/somewhere/else.mdb"));
  EXPECT_EQ(c->get("DBNAME"), Variant("/somewhere/else.mdb"));

  cZIVEConexionDAO& shared = ZIVEGeneral::sharedConnection();
  auto object = makeObject(std::shared_ptr<cZIVEConexionDAO>(std::shared_ptr<cZIVEConexionDAO>{}, &shared),
                           ClassRegistry::global().byName("cZIVEConexionDAO")->members());
  object->call("execute", {Variant("INSERT INTO TR (A, B) VALUES (3, 'ref3')")});
  object->call("Execute", {Variant("DELETE FROM TR WHERE A = 3"), Variant(int16_t(0))});
  object->call("execute", {Variant("INSERT INTO TR (A) VALUES (4)")});
  Variant rs = object->call("openRecordset", {Variant("SELECT A, B FROM TR ORDER BY A"), Variant(2)});
  ASSERT_TRUE(rs.isObject());
  EXPECT_EQ(rs.object()->className(), "Recordset");
  AutomationObject& r = automationObject(rs);
  r.call("MoveLast");
  EXPECT_EQ(r.get("RecordCount"), Variant(3));
  r.call("MoveFirst");
  Variant fields = r.get("Fields");
  AutomationObject& f = automationObject(fields);
  EXPECT_EQ(f.get("Count"), Variant(2));
  Variant b = f.call("Item", {Variant("b")});
  EXPECT_EQ(automationObject(b).get("Value"), Variant("ref"));
  EXPECT_EQ(automationObject(b).get("Name"), Variant("B"));
  EXPECT_EQ(errorNumberOf([&] { r.call("Fields", {Variant("NOPE")}); }), engine::kItemNotFound);
  r.call("MoveLast");
  EXPECT_TRUE(automationObject(r.call("Fields", {Variant(1)})).get("Value").isNull());
  r.call("MoveNext");
  EXPECT_EQ(r.get("EOF"), Variant(true));
  r.call("Close");
  EXPECT_FALSE(recordsetOf(rs)->isOpen());
  object->call("Cerrar");
  EXPECT_FALSE(shared.referenceDatabase()->isOpen());
}

}  // namespace
}  // namespace svrZIVE
