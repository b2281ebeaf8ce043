// The four entry points of the in-process server, exported from libsvrZIVE.so
// with C linkage, and the class factory DllGetClassObject hands out.
//
//   int32_t DllRegisterServer(void);
//   int32_t DllUnregisterServer(void);
//   int32_t DllGetClassObject(const char* clsid, const char* iid, void** factory);
//   int32_t DllCanUnloadNow(void);
//
// Results are HRESULTs: 0 (S_OK), 1 (S_FALSE) or a failure code below.
//
// Registrations live in a text file, ZIVE_REGISTRY when that variable is set,
// else $XDG_CONFIG_HOME/svrZIVE/registry.ini, else ~/.config/svrZIVE/registry.ini.
// It has one section per key, as the platform's registry keeps them:
//
//   [svrZIVE.cZIVEConexionDAO]
//   CLSID={2F3598D7-634B-4087-BBEA-71FD4D075F2D}
//
//   [CLSID\{2F3598D7-634B-4087-BBEA-71FD4D075F2D}]
//   @=svrZIVE.cZIVEConexionDAO
//   ProgID=svrZIVE.cZIVEConexionDAO
//   InprocServer32=/usr/lib/libsvrZIVE.so.1
//   ThreadingModel=Apartment
//   TypeLib={4207BF64-A30E-4817-9A83-D640E390FDF8}
//   Version=1.0
//
//   [TypeLib\{4207BF64-A30E-4817-9A83-D640E390FDF8}\1.0]
//   @=svrZIVE
//   Locale=0
//   Path=/usr/lib/libsvrZIVE.so.1
//
// Sections of other servers in the same file are kept as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/automation.h"

namespace svrZIVE {

// The HRESULTs the entry points answer.
namespace hresult {
inline constexpr int32_t S_OK = 0;
inline constexpr int32_t S_FALSE = 1;
inline constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t E_POINTER = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t CLASS_E_CLASSNOTAVAILABLE = static_cast<int32_t>(0x80040111u);
inline constexpr int32_t SELFREG_E_CLASS = static_cast<int32_t>(0x80040201u);
}  // namespace hresult

// Interface identifiers DllGetClassObject answers to; a null iid asks for the
// class factory too.
inline constexpr const char* kIID_IUnknown = "{00000000-0000-0000-C000-000000000046}";
inline constexpr const char* kIID_IClassFactory = "{00000001-0000-0000-C000-000000000046}";

// The class factory of one public class. Reference counted: DllGetClassObject
// hands it out with one reference, Release() drops it.
class ClassFactory {
 public:
  ClassFactory(std::string className, std::string clsid);
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  // A new object of the class (an AutomationError such as 429 on failure).
  std::shared_ptr<AutomationObject> CreateInstance() const;
  // Keeps the library loaded while locked (DllCanUnloadNow answers S_FALSE).
  void LockServer(bool lock);
  uint32_t AddRef();
  uint32_t Release();  // the factory deletes itself at 0

  const std::string& className() const { return className_; }
  const std::string& clsid() const { return clsid_; }

 private:
  ~ClassFactory();
  std::string className_;
  std::string clsid_;
  uint32_t references_ = 1;
};

// The registration file the entry points use now.
std::string registrationFilePath();

}  // namespace svrZIVE

extern "C" {
__attribute__((visibility("default"))) int32_t DllRegisterServer(void);
__attribute__((visibility("default"))) int32_t DllUnregisterServer(void);
__attribute__((visibility("default"))) int32_t DllGetClassObject(const char* clsid, const char* iid,
                                                                 void** factory);
__attribute__((visibility("default"))) int32_t DllCanUnloadNow(void);
}
