// Calling objects by name, as automation clients do, and the in-process
// server's entry points they find the classes through (against a temporary
// registration file).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/dao_objects.h"
#include "frame/entry_points.h"
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
    vBuffer = Variant(lngSecdec + 1);
    return true;
  }
  int32_t Sumar(int32_t a, int32_t b = 100) { return a + b; }
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
    t.get("Nombre", "String", [](cZIVEPrueba& p) { return Variant(p.Nombre); });
    t.let("Nombre", "String", [](cZIVEPrueba& p, const Variant& v) { p.Nombre = v.toText(); });
    return std::move(t).build();
  }();
  return info;
}

class LateBinding : public ::testing::Test {
 protected:
  std::shared_ptr<cZIVEPrueba> prueba_ = std::make_shared<cZIVEPrueba>();
  std::shared_ptr<AutomationObject> object_ = makeObject(prueba_, pruebaMembers());
};

TEST_F(LateBinding, NamesIgnoreLetterCaseAndOptionalArgumentsMayBeLeftOut) {
  EXPECT_EQ(object_->call("sUmAr", {Variant(1), Variant(2)}), Variant(3));
  EXPECT_EQ(object_->call("Sumar", {Variant(1)}), Variant(101));
  EXPECT_EQ(object_->call("Sumar", {Variant(1), Variant("2")}), Variant(3));
}

TEST_F(LateBinding, ArgumentsAreWrittenBackInPlace) {
  std::vector<Variant> args{Variant(int16_t(42)), Variant()};
  EXPECT_EQ(object_->invoke("Cargar", args), Variant(true));
  EXPECT_EQ(args[1], Variant(43));
  EXPECT_EQ(args[0], Variant(int16_t(42))) << "an argument the call does not change stays as it was";
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
  const Member& sumar = pruebaMembers().resolve("Sumar", kInvokeMethod, 1);
  EXPECT_EQ(sumar.signature() + ", " + std::to_string(sumar.requiredCount()) + " required",
            "Sumar(a As Long, [b As Long]) As Long, 1 required");
}

// --- The class registry -------------------------------------------------------

// The identifiers clients are built against: every public class, in
// catalogue order, and the type library with the enumeration it declares.
TEST(ClassRegistry, EveryPublicClassKeepsItsIdentifier) {
  const std::pair<const char*, const char*> identifiers[] = {
      {"cZIVEConexionDAO", "{2F3598D7-634B-4087-BBEA-71FD4D075F2D}"},
      {"cZIVEDatosGeneral", "{3BE4430E-B259-485B-B007-E6BEE2034483}"},
      {"cZIVEGeneral", "{ABB3EBB4-76FB-4720-AE94-FD3608B1B1A7}"},
      {"cZIVEDeclarante", "{5B0F2551-A4B4-4103-A5A8-0BE170A7B426}"},
      {"cZIVEDeclaraciones", "{F43EF845-14A8-4675-AD69-387580A5F041}"},
      {"cZIVETipologia1", "{7EC8A991-A417-41E2-9BC3-A6D02A2CE34D}"},
      {"cZIVETipologia2", "{C368FF62-1C44-404A-B52D-88281F15E16E}"},
      {"cZIVETipologia3", "{D026B9D9-B51E-4395-9A56-41EA18877D78}"},
      {"cZIVETipologia4", "{8AE8D2AA-CD87-4A78-B4F2-8E1E9FDF77B7}"},
      {"cZIVETipologia5", "{454512C9-0908-4C5D-A47F-E00752F53A08}"},
      {"cZIVETipologia5_Nueva", "{1EFDF70F-B55E-488E-B7C1-CD5FF0F6ED28}"},
      {"cZIVETipologia6", "{D0AA6B2B-D062-40A4-9669-B94F5EACE300}"},
      {"cZIVETipologia8", "{585184C7-75C3-45FA-9385-E060E2FDC80D}"},
      {"cZIVETipologia9", "{2AD81BBB-5736-40AE-95CC-365BB5D347C5}"},
      {"cZIVETipologia10", "{F0FD3331-F7B5-4279-B1C5-D9DF5D5C7738}"},
      {"cZIVETipologia11", "{B1182634-E27D-4855-B880-5B7C9EED6C7D}"},
      {"cZIVETipologia12", "{6E4644FC-3012-4437-89F2-BAEA0569625B}"},
      {"cZIVETipologia13", "{38B3BBA4-C4BF-40CA-BAC6-BE04A447FC6E}"},
      {"cZIVETipologia14", "{6F316B3A-ED09-4435-9D6F-EF80E40DBF10}"},
      {"cZIVETipologia15", "{2A220EB3-9328-4E85-A768-46884A9838AB}"},
      {"cZIVETipologia16", "{DDB11B94-F296-4A97-9A6D-40FCD84E3A11}"},
      {"cZIVET18_Tipologia16", "{7EA7A7F5-88CA-4903-BDC5-7EAFD2EBEF0A}"},
      {"cZIVETipologia1_2015", "{100EBD06-AF13-4B81-A75E-166436551932}"},
      {"cZIVETraspaso", "{14923BD7-821B-4536-93DD-E00580C4F0AC}"},
  };
  const auto& classes = ClassRegistry::global().classes();
  ASSERT_EQ(classes.size(), std::size(identifiers));
  for (std::size_t i = 0; i < classes.size(); ++i) {
    EXPECT_EQ(classes[i].name, identifiers[i].first);
    EXPECT_EQ(classes[i].clsid, identifiers[i].second) << classes[i].name;
  }
  EXPECT_EQ(kTypeLibraryId, "{4207BF64-A30E-4817-9A83-D640E390FDF8}");
  std::string declared;
  for (const auto& e : typeLibraryEnums()) {
    declared += std::string(e.name) + ":";
    for (const auto& m : e.members) declared += " " + std::string(m.name) + "=" + std::to_string(m.value);
  }
  EXPECT_EQ(declared, "BD: ZIVEMod=0 ZIVELec=1");
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
  EXPECT_EQ(registry.create("svrzive.czivePrueba")->call("Sumar", {Variant(1), Variant(1)}), Variant(2));
  EXPECT_EQ(errorNumberOf([] { CreateObject("svrZIVE.NoSuchClass"); }), 429);
}

// --- The connection through late binding --------------------------------------

class LateBoundConexion : public testing::FrameFixture {};

TEST_F(LateBoundConexion, MembersByNameAndTheRecordsetObject) {
  auto c = CreateObject("SVRZIVE.CZIVECONEXIONDAO");
  EXPECT_EQ(c->className(), "cZIVEConexionDAO");
  // InicializaBD works on the shared instance; the shared one is the one
  // service classes use, so late-bound calls reach it through its own object.
  c->call("InicializaBD", {Variant(refPath_)});
  EXPECT_EQ(c->get("Dbname"), Variant(refPath_));
  c->let("dbname", Variant("/somewhere/else.mdb"));
  EXPECT_EQ(c->get("DBNAME"), Variant("/somewhere/else.mdb"));

  cZIVEConexionDAO& shared = ZIVEGeneral::sharedConnection();
  auto object = makeObject(std::shared_ptr<cZIVEConexionDAO>(std::shared_ptr<cZIVEConexionDAO>{}, &shared),
                           ClassRegistry::global().byName("cZIVEConexionDAO")->members());
  object->call("execute", {Variant("INSERT INTO TR (A) VALUES (3)")});
  object->call("Execute", {Variant("DELETE FROM TR WHERE A = 2"), Variant(int16_t(0))});
  Variant rs = object->call("openRecordset", {Variant("SELECT A, B FROM TR ORDER BY A"), Variant(2)});
  AutomationObject& r = automationObject(rs);
  EXPECT_EQ(r.className(), "Recordset");
  r.call("MoveLast");
  EXPECT_EQ(r.get("RecordCount"), Variant(2));
  r.call("MoveFirst");
  Variant fields = r.get("Fields"), b = automationObject(fields).call("Item", {Variant("b")});
  EXPECT_EQ(automationObject(fields).get("Count"), Variant(2));
  EXPECT_EQ(automationObject(b).get("Name"), Variant("B"));
  EXPECT_EQ(automationObject(b).get("Value"), Variant("ref"));
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

// --- The entry points ------------------------------------------------------------

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class EntryPoints : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("ZIVE_REGISTRY", file_.c_str(), 1); }
  void TearDown() override {
    ZIVEGeneral::endThreadState();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::filesystem::path folder_ = testing::freshFolder(), file_ = folder_ / "nested" / "registry.ini";
};

TEST_F(EntryPoints, RegisterWritesEveryClassAndUnregisterRemovesOnlyOurs) {
  std::filesystem::create_directories(file_.parent_path());
  std::ofstream(file_) << "[otro.Servidor]\nCLSID={AAAAAAAA-0000-0000-0000-000000000000}\n";
  ASSERT_EQ(DllRegisterServer(), hresult::S_OK);
  const std::string text = readFile(file_);
  for (const auto& c : ClassRegistry::global().classes()) {
    EXPECT_NE(text.find("[" + c.progId + "]\nCLSID=" + c.clsid + "\n"), std::string::npos) << c.name;
    EXPECT_NE(text.find("[CLSID\\" + c.clsid + "]\n@=" + c.progId + "\n"), std::string::npos) << c.name;
  }
  // Registering again replaces, never duplicates.
  ASSERT_EQ(DllRegisterServer(), hresult::S_OK);
  EXPECT_EQ(readFile(file_), text);

  ASSERT_EQ(DllUnregisterServer(), hresult::S_OK);
  const std::string after = readFile(file_);
  EXPECT_EQ(after.find("svrZIVE"), std::string::npos) << after;
  EXPECT_NE(after.find("[otro.Servidor]\nCLSID={AAAAAAAA-0000-0000-0000-000000000000}\n"), std::string::npos);
  EXPECT_EQ(DllUnregisterServer(), hresult::S_OK) << "nothing to remove is no failure";
}

TEST_F(EntryPoints, AnUnwritableLocationFails) {
  std::ofstream(folder_ / "blocker") << "x";
  ::setenv("ZIVE_REGISTRY", (folder_ / "blocker" / "registry.ini").c_str(), 1);
  EXPECT_EQ(DllRegisterServer(), hresult::SELFREG_E_CLASS);
}

TEST_F(EntryPoints, AFactoryCreatesObjectsAndTheLibraryStaysWhileEitherLives) {
  const std::string clsid(ClassRegistry::global().byName("cZIVEConexionDAO")->clsid);
  void* raw = nullptr;
  ASSERT_EQ(DllGetClassObject(clsid.c_str(), kIID_IClassFactory, &raw), hresult::S_OK);
  EXPECT_EQ(DllCanUnloadNow(), hresult::S_FALSE) << "a factory is alive";
  {
    auto object = static_cast<ClassFactory*>(raw)->CreateInstance();
    EXPECT_EQ(object->className(), "cZIVEConexionDAO");
    EXPECT_EQ(static_cast<ClassFactory*>(raw)->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), hresult::S_FALSE) << "an object is alive";
  }
  EXPECT_EQ(DllCanUnloadNow(), hresult::S_OK);

  // Braces optional, any letter case; a locked server stays loaded.
  std::string bare = clsid.substr(1, 36);
  for (char& ch : bare) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  for (const auto& [id, lock, unload] : {std::tuple{bare, true, hresult::S_FALSE}, {clsid, false, hresult::S_OK}}) {
    ASSERT_EQ(DllGetClassObject(id.c_str(), nullptr, &raw), hresult::S_OK) << id;
    static_cast<ClassFactory*>(raw)->LockServer(lock);
    static_cast<ClassFactory*>(raw)->Release();
    EXPECT_EQ(DllCanUnloadNow(), unload) << id;
  }
}

TEST_F(EntryPoints, GetClassObjectRefusals) {
  void* raw = reinterpret_cast<void*>(0x1);
  const char* conexion = ClassRegistry::global().byName("cZIVEConexionDAO")->clsid.data();
  const struct { const char* clsid; const char* iid; void** out; int32_t result; } cases[] = {
      {"{00000000-1111-2222-3333-444444444444}", nullptr, &raw, hresult::CLASS_E_CLASSNOTAVAILABLE},
      {nullptr, nullptr, &raw, hresult::CLASS_E_CLASSNOTAVAILABLE},
      {conexion, "{12345678-1234-1234-1234-123456789012}", &raw, hresult::E_NOINTERFACE},
      {conexion, nullptr, nullptr, hresult::E_POINTER},
  };
  for (const auto& c : cases) EXPECT_EQ(DllGetClassObject(c.clsid, c.iid, c.out), c.result) << c.result;
  EXPECT_EQ(DllCanUnloadNow(), hresult::S_OK);
}

}  // namespace
}  // namespace svrZIVE
