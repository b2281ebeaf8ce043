#include "frame/class_registry.h"

#include <cctype>

namespace svrZIVE {
namespace {

constexpr ClassEntry kCatalogue[] = {
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

constexpr EnumMember kBDMembers[] = {{"ZIVEMod", ZIVEMod}, {"ZIVELec", ZIVELec}};
constexpr EnumInfo kEnums[] = {{"BD", kBDMembers}};

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::span<const EnumInfo> typeLibraryEnums() { return kEnums; }

std::span<const ClassEntry> publicClassCatalogue() { return kCatalogue; }

std::string progIdOf(std::string_view className) {
  return std::string(kProjectName) + "." + std::string(className);
}

std::string canonicalClsid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return {};
  std::string canonical = "{";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !isHex(text[i])) return {};
    canonical += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  }
  canonical += '}';
  return canonical;
}

ClassRegistry::ClassRegistry(std::span<const ClassEntry> catalogue) {
  for (const ClassEntry& entry : catalogue) {
    Class c;
    c.name = std::string(entry.name);
    c.progId = progIdOf(entry.name);
    c.clsid = canonicalClsid(entry.clsid);
    classes_.push_back(std::move(c));
  }
}

ClassRegistry& ClassRegistry::global() {
  static ClassRegistry registry(kCatalogue);
  return registry;
}

bool ClassRegistry::add(std::string_view name, ObjectFactory factory, TypeInfoSource members) {
  if (!factory || !members) return false;
  for (Class& c : classes_) {
    if (c.name != name) continue;
    if (c.creatable()) return false;
    c.factory = std::move(factory);
    c.members = members;
    return true;
  }
  return false;
}

const ClassRegistry::Class* ClassRegistry::byName(std::string_view nameOrProgId) const {
  for (const Class& c : classes_) {
    if (sameName(c.name, nameOrProgId) || sameName(c.progId, nameOrProgId)) return &c;
  }
  return nullptr;
}

const ClassRegistry::Class* ClassRegistry::byClsid(std::string_view clsid) const {
  const std::string canonical = canonicalClsid(clsid);
  if (canonical.empty()) return nullptr;
  for (const Class& c : classes_) {
    if (c.clsid == canonical) return &c;
  }
  return nullptr;
}

std::shared_ptr<AutomationObject> ClassRegistry::create(std::string_view nameOrProgId) const {
  const Class* c = byName(nameOrProgId);
  if (!c || !c->creatable()) throw cannotCreateObject(nameOrProgId);
  std::shared_ptr<AutomationObject> object = c->factory();
  if (!object) throw cannotCreateObject(nameOrProgId);
  return object;
}

std::shared_ptr<AutomationObject> CreateObject(std::string_view progId) {
  return ClassRegistry::global().create(progId);
}

AutomationError cannotCreateObject(std::string_view /*name*/) {
  return AutomationError(429, std::string(kRuntimeSource), "ActiveX component can't create object");
}

}  // namespace svrZIVE
