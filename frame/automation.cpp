#include "frame/automation.h"

#include <atomic>
#include <cctype>

namespace svrZIVE {
namespace {

std::atomic<long> g_liveObjects{0};

}  // namespace

std::string_view memberKindName(MemberKind kind) {
  switch (kind) {
    case MemberKind::Method: return "Method";
    case MemberKind::PropertyGet: return "Property Get";
    case MemberKind::PropertyLet: return "Property Let";
  }
  return "Method";
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

AutomationError objectNotSet() {
  return AutomationError(91, std::string(kRuntimeSource),
                         "Object variable or With block variable not set");
}

Variant& CallArguments::operator[](std::size_t index) {
  if (index >= arguments_.size()) raiseRuntimeError(kSubscriptOutOfRange);
  return arguments_[index];
}

const Variant& CallArguments::operator[](std::size_t index) const {
  if (index >= arguments_.size()) raiseRuntimeError(kSubscriptOutOfRange);
  return arguments_[index];
}

std::size_t Member::requiredCount() const {
  std::size_t required = 0;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (!parameters[i].optional) required = i + 1;
  }
  return required;
}

bool Member::accepts(std::size_t argumentCount) const {
  if (kind == MemberKind::PropertyLet) return argumentCount == parameters.size();
  return argumentCount >= requiredCount() && argumentCount <= parameters.size();
}

std::string Member::signature() const {
  std::string text = name;
  text += '(';
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (i > 0) text += ", ";
    const Parameter& p = parameters[i];
    if (p.optional) text += '[';
    text += p.name;
    if (!p.type.empty()) text += " As " + p.type;
    if (p.optional) text += ']';
  }
  text += ')';
  if (!returns.empty() && kind != MemberKind::PropertyLet) text += " As " + returns;
  return text;
}

const Member& TypeInfo::resolve(std::string_view memberName, unsigned flags,
                                std::size_t argumentCount) const {
  const Member* named = nullptr;
  for (const Member& m : members) {
    if (!sameName(m.name, memberName)) continue;
    const bool reachable = m.kind == MemberKind::PropertyLet
                               ? (flags & kInvokePropertyPut) != 0
                               : (flags & (kInvokeMethod | kInvokePropertyGet)) != 0;
    if (!reachable) continue;
    if (m.accepts(argumentCount)) return m;
    if (!named) named = &m;
  }
  if (!named) raiseRuntimeError(kNoSuchMember);
  raiseRuntimeError(kWrongArgumentCount);
}

bool TypeInfo::hasMember(std::string_view memberName) const {
  for (const Member& m : members) {
    if (sameName(m.name, memberName)) return true;
  }
  return false;
}

AutomationObject::AutomationObject() { ++g_liveObjects; }
AutomationObject::~AutomationObject() { --g_liveObjects; }

long AutomationObject::liveCount() { return g_liveObjects.load(); }

Variant AutomationObject::invoke(std::string_view member, std::vector<Variant>& arguments,
                                 unsigned flags) {
  const Member& m = typeInfo().resolve(member, flags, arguments.size());
  CallArguments callArguments(arguments);
  return m.invoke(*this, callArguments);
}

Variant AutomationObject::call(std::string_view member, std::vector<Variant> arguments) {
  return invoke(member, arguments);
}

void AutomationObject::let(std::string_view property, Variant value) {
  std::vector<Variant> arguments{std::move(value)};
  invoke(property, arguments, kInvokePropertyPut);
}

AutomationObject& automationObject(const Variant& object) {
  if (!object.isObject() || !object.object()) raiseRuntimeError(kObjectRequired);
  auto* automation = dynamic_cast<AutomationObject*>(object.object().get());
  if (!automation) raiseRuntimeError(kNoSuchMember);
  return *automation;
}

}  // namespace svrZIVE
