#include "base/automation_error.h"

namespace svrZIVE {

AutomationError::AutomationError(int32_t number, std::string source, std::string description,
                                 std::string helpFile, int32_t helpContext)
    : number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpFile_(std::move(helpFile)),
      helpContext_(helpContext) {}

AutomationError AutomationError::annotated(std::string_view text) const {
  std::string description;
  description.reserve(text.size() + description_.size());
  description.append(text).append(description_);
  return AutomationError(number_, source_, std::move(description), helpFile_, helpContext_);
}

namespace {

std::string_view runtimeDescription(int32_t number) {
  switch (number) {
    case kInvalidProcedureCall: return "Invalid procedure call or argument";
    case kOverflow: return "Overflow";
    case kSubscriptOutOfRange: return "Subscript out of range";
    case kTypeMismatch: return "Type mismatch";
    case kInvalidUseOfNull: return "Invalid use of Null";
    case kObjectRequired: return "Object required";
    case kNoSuchMember: return "Object doesn't support this property or method";
    case kWrongArgumentCount: return "Wrong number of arguments or invalid property assignment";
    default: return "Application-defined or object-defined error";
  }
}

}  // namespace

AutomationError runtimeError(int32_t number) {
  return AutomationError(number, std::string(kRuntimeSource), std::string(runtimeDescription(number)));
}

void raiseRuntimeError(int32_t number) { throw runtimeError(number); }

}  // namespace svrZIVE
