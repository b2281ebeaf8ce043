// The in-process server's entry points against a temporary registration file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "frame/class_registry.h"
#include "frame/entry_points.h"
#include "frame/zive_general.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

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
