// zive call [--mod PATH] [--ref PATH] [--json] [--typed] Class.Member [ARG ...]
//
// Creates an object of a public class by name, gives it the database paths,
// calls one member by name with the arguments (each ARG is an encoded variant,
// see cli/json_variant.h; a word that is not valid JSON is a String), and
// prints the result and every by-reference argument the call changed.
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/legacy_text.h"
#include "cli/commands.h"
#include "cli/json_variant.h"
#include "cli/table_printer.h"
#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/zive_general.h"

namespace svrZIVE::cli {
namespace {

int usage(const std::string& problem = {}) {
  if (!problem.empty()) std::cerr << "zive call: " << problem << '\n';
  std::cerr << "usage: zive call [--mod PATH] [--ref PATH] [--json] [--typed] Class.Member [ARG ...]\n";
  return 2;
}

int printError(const AutomationError& e, bool json) {
  if (json) {
    std::cout << nlohmann::json{{"number", e.number()}, {"source", e.source()}, {"description", utf8Text(e.description())}}
                     .dump()
              << '\n';
  } else {
    std::cerr << "zive call: error " << e.number() << " (" << e.source() << "): " << utf8Text(e.description()) << '\n';
  }
  return 1;
}

std::string scalarText(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Boolean: return v.asBoolean() ? "True" : "False";
    case VarType::Object: return v.object() ? "<" + v.object()->className() + " object>" : "Nothing";
    case VarType::Array: return variantToJson(v).dump();
    default: return utf8Text(v.toText());
  }
}

// Scalars on one line; a table (two dimensions, column first) with one line
// per record; a list with one line per element; anything else as JSON.
void printValue(std::ostream& out, const std::string& label, const Variant& v) {
  if (!v.isArray() || v.array().dimensions() == 0 || v.array().dimensions() > 2) {
    out << label << ": " << scalarText(v) << '\n';
    return;
  }
  const VariantArray& a = v.array();
  out << label << ":\n";
  TextTable table;
  if (a.dimensions() == 1) {
    table.header = {"(i)", "value"};
    table.rightAligned = {true, false};
    for (int32_t i = a.lbound(1); i <= a.ubound(1); ++i) table.rows.push_back({std::to_string(i), scalarText(a[i])});
  } else {
    table.header = {"record"};
    table.rightAligned = {true};
    for (int32_t c = a.lbound(1); c <= a.ubound(1); ++c) {
      table.header.push_back(std::to_string(c));
      table.rightAligned.push_back(false);
    }
    for (int32_t r = a.lbound(2); r <= a.ubound(2); ++r) {
      std::vector<std::string> row{std::to_string(r)};
      for (int32_t c = a.lbound(1); c <= a.ubound(1); ++c) row.push_back(scalarText(a.at({c, r})));
      table.rows.push_back(std::move(row));
    }
  }
  table.print(out);
}

// Sets a path through the object's own property when it has one, else on the
// thread's shared state directly (the connection has no path properties).
void setPath(AutomationObject& object, const char* property, const std::string& path) {
  if (object.typeInfo().hasMember(property)) {
    object.let(property, Variant(path));
  } else if (std::string(property) == "mdbmod") {
    ZIVEGeneral::setModifiablePath(path);
  } else {
    ZIVEGeneral::setReferencePath(path);
  }
}

}  // namespace

int runCall(const Arguments& args) {
  std::string modPath, refPath, target;
  bool haveMod = false, haveRef = false, json = false, typed = false;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--mod" || a == "--ref") {
      if (i + 1 >= args.size()) return usage(a + " needs a path");
      (a == "--mod" ? modPath : refPath) = args[++i];
      (a == "--mod" ? haveMod : haveRef) = true;
    } else if (a == "--json") {
      json = true;
    } else if (a == "--typed") {
      typed = true;
    } else if (a == "-h" || a == "--help") {
      return usage();
    } else if (a.rfind("--", 0) == 0) {
      return usage("unknown option " + a);
    } else {
      target = a;
      ++i;
      break;
    }
  }
  const auto point = target.rfind('.');
  if (target.empty() || point == std::string::npos || point == 0 || point + 1 == target.size()) {
    return usage("name the member as Class.Member");
  }
  const std::string className = target.substr(0, point);
  const std::string memberName = target.substr(point + 1);

  try {
    std::vector<Variant> callArguments;
    for (; i < args.size(); ++i) {
      try {
        callArguments.push_back(variantFromArgument(args[i]));
      } catch (const std::invalid_argument& e) {
        return usage("argument " + std::to_string(callArguments.size() + 1) + ": " + e.what());
      }
    }
    const std::vector<Variant> before = callArguments;

    std::shared_ptr<AutomationObject> object = CreateObject(className);
    if (haveMod) setPath(*object, "mdbmod", modPath);
    if (haveRef) setPath(*object, "mdblec", refPath);
    const Member& member = object->typeInfo().resolve(memberName, kInvokeAny, callArguments.size());
    Variant result = object->invoke(memberName, callArguments, kInvokeAny);

    if (json) {
      nlohmann::json out{{"result", variantToJson(result, typed)}, {"arguments", nlohmann::json::array()}};
      for (const Variant& a : callArguments) out["arguments"].push_back(variantToJson(a, typed));
      std::cout << out.dump() << '\n';
      return 0;
    }
    const bool returnsValue = member.kind == MemberKind::PropertyGet ||
                              (member.kind == MemberKind::Method && !member.returns.empty());
    if (returnsValue || !result.isEmpty()) printValue(std::cout, "result", result);
    for (std::size_t k = 0; k < callArguments.size(); ++k) {
      if (callArguments[k] == before[k]) continue;
      std::string label = "argument " + std::to_string(k + 1);
      if (k < member.parameters.size()) label += " (" + member.parameters[k].name + ")";
      printValue(std::cout, label, callArguments[k]);
    }
    return 0;
  } catch (const AutomationError& e) {
    return printError(e, json);
  }
}

}  // namespace svrZIVE::cli
