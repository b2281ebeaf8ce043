// zive classes [--json]: the public classes of svrZIVE, their registered
// names and class identifiers, the type library, and the members of every
// class that can be created.
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/commands.h"
#include "cli/table_printer.h"
#include "frame/automation.h"
#include "frame/class_registry.h"

namespace svrZIVE::cli {
namespace {

std::string typeLibraryVersion() {
  return std::to_string(kTypeLibraryMajorVersion) + "." + std::to_string(kTypeLibraryMinorVersion);
}

int printJson() {
  nlohmann::json out;
  out["typeLibrary"] = {{"name", std::string(kProjectName)},
                        {"id", std::string(kTypeLibraryId)},
                        {"version", typeLibraryVersion()},
                        {"locale", kTypeLibraryLocale}};
  out["enums"] = nlohmann::json::array();
  for (const EnumInfo& e : typeLibraryEnums()) {
    nlohmann::json members = nlohmann::json::object();
    for (const EnumMember& m : e.members) members[std::string(m.name)] = m.value;
    out["enums"].push_back({{"name", std::string(e.name)}, {"members", members}});
  }
  out["classes"] = nlohmann::json::array();
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    nlohmann::json cls{{"name", c.name}, {"progId", c.progId}, {"clsid", c.clsid}, {"creatable", c.creatable()}};
    nlohmann::json members = nlohmann::json::array();
    if (c.members) {
      for (const Member& m : c.members().members) {
        nlohmann::json params = nlohmann::json::array();
        for (const Parameter& p : m.parameters) {
          params.push_back({{"name", p.name}, {"type", p.type}, {"optional", p.optional}});
        }
        members.push_back({{"name", m.name},
                           {"kind", std::string(memberKindName(m.kind))},
                           {"parameters", params},
                           {"returns", m.returns}});
      }
    }
    cls["members"] = members;
    out["classes"].push_back(cls);
  }
  std::cout << out.dump(2) << '\n';
  return 0;
}

}  // namespace

int runClasses(const Arguments& args) {
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--json") {
      json = true;
    } else {
      std::cerr << "usage: zive classes [--json]\n";
      return 2;
    }
  }
  if (json) return printJson();

  std::cout << "Type library " << kProjectName << " " << kTypeLibraryId << ", version " << typeLibraryVersion()
            << ", locale " << kTypeLibraryLocale << '\n';
  for (const EnumInfo& e : typeLibraryEnums()) {
    std::cout << "Enum " << e.name << ":";
    for (const EnumMember& m : e.members) std::cout << ' ' << m.name << " = " << m.value << (&m == &e.members.back() ? "" : ",");
    std::cout << '\n';
  }
  std::cout << '\n';

  TextTable classes;
  classes.header = {"class", "registered name", "class identifier", "creatable"};
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    classes.rows.push_back({c.name, c.progId, c.clsid, c.creatable() ? "yes" : "not yet"});
  }
  classes.print(std::cout);

  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    if (!c.members) continue;
    std::cout << '\n' << c.name << " members:\n";
    TextTable members;
    members.header = {"kind", "member"};
    for (const Member& m : c.members().members) {
      members.rows.push_back({std::string(memberKindName(m.kind)), m.signature()});
    }
    members.print(std::cout);
  }
  return 0;
}

}  // namespace svrZIVE::cli
