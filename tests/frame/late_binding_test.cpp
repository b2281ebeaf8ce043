// Calling objects by name, as automation clients do.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/dao_objects.h"
#include "frame/service_paths.h"
#include "frame/zive_general.h"
#include "tests/frame/fake_recordset.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

int32_t errorNumberOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

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

TEST_F(LateBinding, NamesIgnoreLetterCase) {
  for (const char* name : {"Sumar", "sumar", "SUMAR", "sUmAr"}) {
    EXPECT_EQ(object_->call(name, {Variant(1), Variant(2)}), Variant(3)) << name;
  }
  EXPECT_EQ(object_->className(), "cZIVEPrueba");
}

TEST_F(LateBinding, ABufferArgumentIsFilledInPlace) {
  std::vector<Variant> args{Variant(int16_t(42)), Variant()};
  Variant result = object_->invoke("Cargar", args);
  EXPECT_EQ(result, Variant(true));
  ASSERT_TRUE(args[1].isArray());
  EXPECT_EQ(args[1].array()[0], Variant(42));
  EXPECT_EQ(args[1].array()[1], Variant("cargado"));
  EXPECT_TRUE(args[1].array()[2].isEmpty());
  EXPECT_EQ(args[0], Variant(int16_t(42))) << "an argument the call does not change stays as it was";
}

TEST_F(LateBinding, TypedArgumentsWrittenBack) {
  std::vector<Variant> args{Variant(int16_t(4))};
  object_->invoke("Contar", args);
  EXPECT_EQ(args[0], Variant(int16_t(5)));
}

TEST_F(LateBinding, OptionalArgumentsMayBeLeftOut) {
  EXPECT_EQ(object_->call("Sumar", {Variant(1)}), Variant(101));
  EXPECT_EQ(object_->call("Sumar", {Variant(1), Variant("2")}), Variant(3));
}

struct WrongCall {
  std::string member;
  std::size_t arguments;
  int32_t error;
};

class WrongCalls : public LateBinding, public ::testing::WithParamInterface<WrongCall> {};

TEST_P(WrongCalls, RaiseTheRuntimeError) {
  std::vector<Variant> args(GetParam().arguments, Variant(1));
  EXPECT_EQ(errorNumberOf([&] { object_->invoke(GetParam().member, args); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Table, WrongCalls,
                         ::testing::Values(WrongCall{"NoExiste", 0, kNoSuchMember},
                                           WrongCall{"Sumar2", 1, kNoSuchMember},
                                           WrongCall{"", 0, kNoSuchMember},
                                           WrongCall{"Sumar", 0, kWrongArgumentCount},
                                           WrongCall{"Sumar", 3, kWrongArgumentCount},
                                           WrongCall{"Cargar", 1, kWrongArgumentCount},
                                           WrongCall{"Nombre", 1, kWrongArgumentCount},
                                           // Write-only properties cannot be read.
                                           WrongCall{"mdbmod", 0, kNoSuchMember}));

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

TEST_F(LateBinding, PathPropertiesSetTheThreadsPaths) {
  object_->let("mdbmod", Variant("/d/ZIVEMOD.MDB"));
  object_->let("MDBLEC", Variant("/d/ZIVELEC.MDB"));
  EXPECT_EQ(ZIVEGeneral::modifiablePath(), "/d/ZIVEMOD.MDB");
  EXPECT_EQ(ZIVEGeneral::referencePath(), "/d/ZIVELEC.MDB");
}

TEST_F(LateBinding, ObjectsAreCounted) {
  const long before = AutomationObject::liveCount();
  {
    auto another = makeObject(std::make_shared<cZIVEPrueba>(), pruebaMembers());
    EXPECT_EQ(AutomationObject::liveCount(), before + 1);
  }
  EXPECT_EQ(AutomationObject::liveCount(), before);
}

TEST_F(LateBinding, VariantsWithoutObjects) {
  EXPECT_EQ(errorNumberOf([] { automationObject(Variant(1)); }), kObjectRequired);
  EXPECT_EQ(errorNumberOf([] { automationObject(Variant(std::shared_ptr<Dispatch>())); }), kObjectRequired);
  Variant held{std::shared_ptr<Dispatch>(object_)};
  EXPECT_EQ(&automationObject(held), object_.get());
}

TEST_F(LateBinding, SignaturesDescribeTheMembers) {
  const TypeInfo& info = pruebaMembers();
  auto sumar = std::find_if(info.members.begin(), info.members.end(), [](const Member& m) { return m.name == "Sumar"; });
  ASSERT_NE(sumar, info.members.end());
  EXPECT_EQ(sumar->signature(), "Sumar(a As Long, [b As Long]) As Long");
  EXPECT_EQ(sumar->requiredCount(), 1u);
}

// --- The class registry -------------------------------------------------------

const std::vector<std::string> kPublicClasses = {
    "cZIVEConexionDAO", "cZIVEDatosGeneral", "cZIVEGeneral", "cZIVEDeclarante",
    "cZIVEDeclaraciones", "cZIVETipologia1", "cZIVETipologia2", "cZIVETipologia3",
    "cZIVETipologia4", "cZIVETipologia5", "cZIVETipologia5_Nueva", "cZIVETipologia6",
    "cZIVETipologia8", "cZIVETipologia9", "cZIVETipologia10", "cZIVETipologia11",
    "cZIVETipologia12", "cZIVETipologia13", "cZIVETipologia14", "cZIVETipologia15",
    "cZIVETipologia16", "cZIVET18_Tipologia16", "cZIVETipologia1_2015", "cZIVETraspaso"};

TEST(ClassRegistry, TwentyFourPublicClassesWithFixedIdentifiers) {
  const auto& classes = ClassRegistry::global().classes();
  ASSERT_EQ(classes.size(), kPublicClasses.size());
  std::set<std::string> identifiers;
  for (std::size_t i = 0; i < classes.size(); ++i) {
    EXPECT_EQ(classes[i].name, kPublicClasses[i]);
    EXPECT_EQ(classes[i].progId, "svrZIVE." + kPublicClasses[i]);
    EXPECT_EQ(classes[i].clsid, canonicalClsid(classes[i].clsid));
    EXPECT_EQ(classes[i].clsid.size(), 38u);
    identifiers.insert(classes[i].clsid);
  }
  identifiers.insert(canonicalClsid(kTypeLibraryId));
  EXPECT_EQ(identifiers.size(), 25u) << "every class and the type library have their own identifier";
  EXPECT_EQ(ClassRegistry::global().byClsid("2f3598d7-634b-4087-bbea-71fd4d075f2d")->name, "cZIVEConexionDAO");
  EXPECT_EQ(ClassRegistry::global().byName("SVRZIVE.CZIVETRASPASO")->name, "cZIVETraspaso");
  EXPECT_EQ(ClassRegistry::global().byName("cZIVET03_Tipologia1"), nullptr) << "record classes are private";
}

TEST(ClassRegistry, TheTypeLibraryDeclaresBD) {
  EXPECT_EQ(kTypeLibraryMajorVersion, 1);
  EXPECT_EQ(kTypeLibraryMinorVersion, 0);
  auto enums = typeLibraryEnums();
  ASSERT_EQ(enums.size(), 1u);
  EXPECT_EQ(enums[0].name, "BD");
  ASSERT_EQ(enums[0].members.size(), 2u);
  EXPECT_EQ(enums[0].members[0].name, "ZIVEMod");
  EXPECT_EQ(enums[0].members[0].value, 0);
  EXPECT_EQ(enums[0].members[1].name, "ZIVELec");
  EXPECT_EQ(enums[0].members[1].value, 1);
  EXPECT_EQ(ZIVEMod, 0);
  EXPECT_EQ(ZIVELec, 1);
}

TEST(ClassRegistry, ClassesThatHaveNotLandedAreNotCreatable) {
  EXPECT_TRUE(ClassRegistry::global().byName("cZIVEConexionDAO")->creatable());
  EXPECT_EQ(errorNumberOf([] { CreateObject("svrZIVE.NoSuchClass"); }), 429);
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
  EXPECT_EQ(registry.byClsid("{11111111-2222-3333-4444-555555555555}")->members, &pruebaMembers);
  EXPECT_FALSE(registry.byName("cZIVEOtra")->creatable());
}

TEST(ClassRegistry, CanonicalClassIdentifiers) {
  EXPECT_EQ(canonicalClsid("{2f3598d7-634b-4087-bbea-71fd4d075f2d}"), "{2F3598D7-634B-4087-BBEA-71FD4D075F2D}");
  EXPECT_EQ(canonicalClsid("2F3598D7-634B-4087-BBEA-71FD4D075F2D"), "{2F3598D7-634B-4087-BBEA-71FD4D075F2D}");
  EXPECT_EQ(canonicalClsid("{2F3598D7-634B-4087-BBEA-71FD4D075F2}"), "");
  EXPECT_EQ(canonicalClsid("{2F3598D7x634B-4087-BBEA-71FD4D075F2D}"), "");
  EXPECT_EQ(canonicalClsid("svrZIVE.cZIVEConexionDAO"), "");
}

// --- The connection through late binding --------------------------------------

class LateBoundConexion : public testing::FrameFixture {};

TEST_F(LateBoundConexion, CreatedByItsRegisteredName) {
  for (const char* name : {"svrZIVE.cZIVEConexionDAO", "cZIVEConexionDAO", "SVRZIVE.CZIVECONEXIONDAO"}) {
    auto c = CreateObject(name);
    EXPECT_EQ(c->className(), "cZIVEConexionDAO") << name;
  }
}

TEST_F(LateBoundConexion, MembersByNameAndTheRecordsetObject) {
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
  Variant rs = object->call("openRecordset", {Variant("SELECT A, B FROM TR ORDER BY A"), Variant(2)});
  ASSERT_TRUE(rs.isObject());
  EXPECT_EQ(rs.object()->className(), "Recordset");
  AutomationObject& r = automationObject(rs);
  r.call("MoveLast");
  EXPECT_EQ(r.get("RecordCount"), Variant(2));
  r.call("MoveFirst");
  EXPECT_EQ(r.get("EOF"), Variant(false));
  Variant fields = r.get("Fields");
  AutomationObject& f = automationObject(fields);
  EXPECT_EQ(f.get("Count"), Variant(2));
  Variant b = f.call("Item", {Variant("b")});
  EXPECT_EQ(automationObject(b).get("Value"), Variant("ref"));
  EXPECT_EQ(automationObject(b).get("Name"), Variant("B"));
  r.call("MoveNext");
  EXPECT_EQ(automationObject(r.call("Fields", {Variant(0)})).get("Value"), Variant(2));
  r.call("MoveNext");
  EXPECT_EQ(r.get("EOF"), Variant(true));
  EXPECT_EQ(errorNumberOf([&] { object->call("openRecordset"); }), kWrongArgumentCount);
  EXPECT_EQ(errorNumberOf([&] { object->call("openRecordset", {Variant("x"), Variant(1), Variant(2)}); }),
            kWrongArgumentCount);
  EXPECT_EQ(errorNumberOf([&] { object->call("Abrir"); }), kNoSuchMember);
  r.call("Close");
  EXPECT_FALSE(recordsetOf(rs)->isOpen());
  object->call("Cerrar");
  EXPECT_FALSE(shared.referenceDatabase()->isOpen());
}

// --- Recordset objects without an engine -------------------------------------

TEST(RecordsetObject, MembersOverAnyRecordset) {
  auto fake = std::make_shared<testing::FakeRecordset>(
      std::vector<std::string>{"CODIGO", "NOMBRE"},
      testing::FakeRecordset::Rows{{Variant(1), Variant("Araba")}, {Variant(20), Variant::null()}});
  Variant rs = recordsetObject(fake);
  AutomationObject& r = automationObject(rs);
  EXPECT_EQ(r.get("bof"), Variant(false));
  EXPECT_EQ(automationObject(r.call("Fields", {Variant("nombre")})).get("Value"), Variant("Araba"));
  r.call("MoveNext");
  EXPECT_TRUE(automationObject(r.call("Fields", {Variant(1)})).get("Value").isNull());
  r.call("MovePrevious");
  EXPECT_EQ(automationObject(automationObject(r.get("Fields")).call("Item", {Variant(0)})).get("Value"), Variant(1));
  EXPECT_EQ(errorNumberOf([&] { r.call("Fields", {Variant("NOPE")}); }), engine::kItemNotFound);
  EXPECT_EQ(recordsetOf(rs), fake);
  EXPECT_EQ(recordsetOf(Variant(1)), nullptr);
  EXPECT_TRUE(recordsetObject(nullptr).isObject());
}

}  // namespace
}  // namespace svrZIVE
