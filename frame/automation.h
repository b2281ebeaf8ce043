// Late binding: objects whose members are called by name, as automation
// clients call them.
//
// Each class describes its members as data: a table of name, kind, parameter
// list (with optional flags) and invoker. Names ignore letter case. Arguments
// travel by reference: an invoker reads and may write the caller's own
// variants, so a buffer argument is filled in place. Optional parameters may
// be left out at the end of the list. A name the class does not have raises
// 438; an argument count no member of that name accepts raises 450.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE {

enum class MemberKind : uint8_t { Method, PropertyGet, PropertyLet };

std::string_view memberKindName(MemberKind kind);  // "Method", "Property Get", "Property Let"

// What a call asks for, as automation clients say it (a call or a read may
// reach a method or a property get; an assignment reaches a property let).
enum InvokeFlags : unsigned {
  kInvokeMethod = 1,
  kInvokePropertyGet = 2,
  kInvokePropertyPut = 4,
  kInvokeAny = kInvokeMethod | kInvokePropertyGet | kInvokePropertyPut,
};

struct Parameter {
  std::string name;
  std::string type = "Variant";  // for descriptions only
  bool optional = false;
};

// The arguments of one call: the caller's variants, by reference.
class CallArguments {
 public:
  explicit CallArguments(std::vector<Variant>& arguments) : arguments_(arguments) {}

  std::size_t count() const { return arguments_.size(); }
  bool present(std::size_t index) const { return index < arguments_.size(); }
  // The caller's variant itself (Subscript out of range, 9, when left out).
  Variant& operator[](std::size_t index);
  const Variant& operator[](std::size_t index) const;

  // The argument converted by the runtime's rules (CStr, CByte, CInt, CLng,
  // CDbl, CBool).
  std::string text(std::size_t index) const { return (*this)[index].toText(); }
  uint8_t byte(std::size_t index) const { return (*this)[index].toByte(); }
  int16_t integer(std::size_t index) const { return (*this)[index].toInteger(); }
  int32_t lng(std::size_t index) const { return (*this)[index].toLong(); }
  double dbl(std::size_t index) const { return (*this)[index].toDouble(); }
  bool boolean(std::size_t index) const { return (*this)[index].toBoolean(); }

 private:
  std::vector<Variant>& arguments_;
};

class AutomationObject;

using Invoker = std::function<Variant(AutomationObject& self, CallArguments& arguments)>;

struct Member {
  std::string name;
  MemberKind kind = MemberKind::Method;
  std::vector<Parameter> parameters;  // a property let's last parameter is the value assigned
  std::string returns;                // type of the result, empty for none (descriptions only)
  Invoker invoke;

  std::size_t requiredCount() const;
  bool accepts(std::size_t argumentCount) const;
  // "openRecordset(sql As String, [Tipo As Integer]) As Recordset"
  std::string signature() const;
};

// A class as late binding sees it: its name and member table.
struct TypeInfo {
  std::string name;
  std::vector<Member> members;

  // The member of that name (any letter case) that a call with `flags` and
  // `argumentCount` arguments reaches; 438 / 450 when there is none.
  const Member& resolve(std::string_view memberName, unsigned flags, std::size_t argumentCount) const;
  bool hasMember(std::string_view memberName) const;
};

// An object of this library that can be called by name. Every one alive is
// counted, so that the library knows whether it can be unloaded.
class AutomationObject : public Dispatch {
 public:
  AutomationObject();
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;
  ~AutomationObject() override;

  virtual const TypeInfo& typeInfo() const = 0;
  std::string className() const override { return typeInfo().name; }

  // Calls a member by name with the caller's arguments, by reference.
  Variant invoke(std::string_view member, std::vector<Variant>& arguments,
                 unsigned flags = kInvokeMethod | kInvokePropertyGet);
  // Shortcuts: a call with arguments by value, a property read, an assignment.
  Variant call(std::string_view member, std::vector<Variant> arguments = {});
  Variant get(std::string_view property) { return call(property); }
  void let(std::string_view property, Variant value);

  // Objects of this library alive in the process.
  static long liveCount();
};

// The object held in a variant, for late binding: Object required (424) when
// the variant holds none, 438 when it is not one of this library's objects.
AutomationObject& automationObject(const Variant& object);

// A C++ object of class T seen through its member table.
template <class T>
class ObjectOf final : public AutomationObject {
 public:
  ObjectOf(std::shared_ptr<T> object, const TypeInfo& info)
      : object_(std::move(object)), info_(info) {}
  const TypeInfo& typeInfo() const override { return info_; }
  T& object() const { return *object_; }
  const std::shared_ptr<T>& shared() const { return object_; }

 private:
  std::shared_ptr<T> object_;
  const TypeInfo& info_;
};

template <class T>
std::shared_ptr<AutomationObject> makeObject(std::shared_ptr<T> object, const TypeInfo& info) {
  return std::make_shared<ObjectOf<T>>(std::move(object), info);
}

// Builds the member table of class T:
//
//   MemberTable<cZIVEX> t("cZIVEX");
//   t.method("Cargar", {{"lngSecdec", "Long"}, {"vBuffer", "Variant"}}, "Boolean",
//            [](cZIVEX& x, CallArguments& a) { return Variant(x.Cargar(a.lng(0), a[1])); });
//   t.get("Dbname", "String", [](cZIVEX& x) { return Variant(x.Dbname); });
//   t.let("Dbname", "String", [](cZIVEX& x, const Variant& v) { x.Dbname = v.toText(); });
template <class T>
class MemberTable {
 public:
  using Call = std::function<Variant(T&, CallArguments&)>;
  using Read = std::function<Variant(T&)>;
  using Write = std::function<void(T&, const Variant&)>;

  explicit MemberTable(std::string className) { info_.name = std::move(className); }

  MemberTable& method(std::string name, std::vector<Parameter> parameters, std::string returns,
                      Call call) {
    return add(std::move(name), MemberKind::Method, std::move(parameters), std::move(returns),
               std::move(call));
  }
  // A property read with arguments (an indexed property).
  MemberTable& get(std::string name, std::vector<Parameter> parameters, std::string type,
                   Call call) {
    return add(std::move(name), MemberKind::PropertyGet, std::move(parameters), std::move(type),
               std::move(call));
  }
  MemberTable& get(std::string name, std::string type, Read read) {
    return get(std::move(name), {}, std::move(type),
               [read = std::move(read)](T& object, CallArguments&) { return read(object); });
  }
  MemberTable& let(std::string name, std::string type, Write write) {
    return add(std::move(name), MemberKind::PropertyLet, {{"value", type}}, {},
               [write = std::move(write)](T& object, CallArguments& arguments) {
                 write(object, arguments[0]);
                 return Variant();
               });
  }

  TypeInfo build() && { return std::move(info_); }

 private:
  MemberTable& add(std::string name, MemberKind kind, std::vector<Parameter> parameters,
                   std::string returns, Call call) {
    Member member;
    member.name = std::move(name);
    member.kind = kind;
    member.parameters = std::move(parameters);
    member.returns = std::move(returns);
    member.invoke = [call = std::move(call)](AutomationObject& self, CallArguments& arguments) {
      return call(static_cast<ObjectOf<T>&>(self).object(), arguments);
    };
    info_.members.push_back(std::move(member));
    return *this;
  }

  TypeInfo info_;
};

// Error 91, "Object variable or With block variable not set": a call on an
// object reference that holds nothing.
AutomationError objectNotSet();

// Letter-case-insensitive comparison of names (ASCII), as late binding compares them.
bool sameName(std::string_view a, std::string_view b);

}  // namespace svrZIVE
