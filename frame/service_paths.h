// The two write-only path properties every service class has. Setting them on
// any service object sets the paths of every object of the same thread; they
// cannot be read back.
#pragma once

#include <string_view>

#include "frame/automation.h"
#include "frame/zive_general.h"

namespace svrZIVE {

class ServicePaths {
 public:
  // The modifiable database (its file name ends in "ZIVEMOD.MDB").
  void mdbmod(std::string_view path) { ZIVEGeneral::setModifiablePath(path); }
  // The reference database.
  void mdblec(std::string_view path) { ZIVEGeneral::setReferencePath(path); }
};

// Adds the property lets `mdbmod` and `mdblec` to a service class's member table.
template <class T>
MemberTable<T>& addPathProperties(MemberTable<T>& table) {
  table.let("mdbmod", "String", [](T& object, const Variant& value) { object.mdbmod(value.toText()); });
  table.let("mdblec", "String", [](T& object, const Variant& value) { object.mdblec(value.toText()); });
  return table;
}

}  // namespace svrZIVE
