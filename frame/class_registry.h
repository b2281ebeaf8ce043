// The public classes of svrZIVE: the class identifiers, the type library and
// the registry through which clients create objects by name.
//
// All 24 public classes have their registered name ("svrZIVE." + class name)
// and their fixed class identifier from the start. A class becomes creatable
// when its implementation plugs itself in with one registration: its name, a
// factory and its member table, e.g. in the class's own source file
//
//   const bool kRegistered = registerPublicClass<cZIVEDeclarante>("cZIVEDeclarante", members);
//
// where `members` returns the class's static TypeInfo. The mechanism itself
// never changes for a new class. Private record classes are not registered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/automation.h"

namespace svrZIVE {

inline constexpr std::string_view kProjectName = "svrZIVE";
// The type library: identifier, version 1.0, locale neutral (0).
inline constexpr std::string_view kTypeLibraryId = "{4207BF64-A30E-4817-9A83-D640E390FDF8}";
inline constexpr int kTypeLibraryMajorVersion = 1;
inline constexpr int kTypeLibraryMinorVersion = 0;
inline constexpr int kTypeLibraryLocale = 0;

// The public enumeration of the type library. No operation takes or returns it.
enum BD : int32_t {
  ZIVEMod = 0,  // the modifiable database
  ZIVELec = 1,  // the reference database
};

struct EnumMember {
  std::string_view name;
  int32_t value;
};
struct EnumInfo {
  std::string_view name;
  std::span<const EnumMember> members;
};
// The enumerations the type library declares (BD).
std::span<const EnumInfo> typeLibraryEnums();

struct ClassEntry {
  std::string_view name;   // class name, "cZIVEConexionDAO"
  std::string_view clsid;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
};

// The 24 public classes in the type library's order. Identifiers never change.
std::span<const ClassEntry> publicClassCatalogue();

// "svrZIVE." + class name.
std::string progIdOf(std::string_view className);

// A class identifier in its canonical form "{...}" upper-case; braces are
// optional on input. Empty when `text` is not a class identifier.
std::string canonicalClsid(std::string_view text);

using ObjectFactory = std::function<std::shared_ptr<AutomationObject>()>;
using TypeInfoSource = const TypeInfo& (*)();

class ClassRegistry {
 public:
  struct Class {
    std::string name;
    std::string progId;
    std::string clsid;
    ObjectFactory factory;           // empty until the class plugs in
    TypeInfoSource members = nullptr;
    bool creatable() const { return static_cast<bool>(factory); }
  };

  explicit ClassRegistry(std::span<const ClassEntry> catalogue);
  // The registry of the library's 24 public classes.
  static ClassRegistry& global();

  // Plugs a class in. False (and nothing changes) when `name` is not in the
  // catalogue or the class is already plugged in.
  bool add(std::string_view name, ObjectFactory factory, TypeInfoSource members);

  const std::vector<Class>& classes() const { return classes_; }
  // By class name or registered name, any letter case; nullptr when unknown.
  const Class* byName(std::string_view nameOrProgId) const;
  // By class identifier, braces optional, any letter case; nullptr when unknown.
  const Class* byClsid(std::string_view clsid) const;

  // A new object of the class: ActiveX component can't create object (429)
  // for an unknown name or a class not plugged in yet.
  std::shared_ptr<AutomationObject> create(std::string_view nameOrProgId) const;

 private:
  std::vector<Class> classes_;
};

// CreateObject("svrZIVE.cZIVEConexionDAO"): a new object of a public class.
std::shared_ptr<AutomationObject> CreateObject(std::string_view progId);

// Error 429, "ActiveX component can't create object".
AutomationError cannotCreateObject(std::string_view name);

// Plugs class T into the global registry: each new object is a
// default-constructed T seen through the member table `members` returns.
template <class T>
bool registerPublicClass(std::string_view name, TypeInfoSource members) {
  return ClassRegistry::global().add(
      name, [members] { return makeObject(std::make_shared<T>(), members()); }, members);
}

}  // namespace svrZIVE
