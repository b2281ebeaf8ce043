// Automation error information: the one way a failure crosses the component's
// interface (number, source, description, help file, help context).
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace svrZIVE {

class AutomationError : public std::exception {
 public:
  AutomationError(int32_t number, std::string source, std::string description,
                  std::string helpFile = {}, int32_t helpContext = 0);

  int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& helpFile() const noexcept { return helpFile_; }
  int32_t helpContext() const noexcept { return helpContext_; }
  const char* what() const noexcept override { return description_.c_str(); }

  // The same error with `text` put immediately in front of the description;
  // number, source, help file and help context stay as they are.
  AutomationError annotated(std::string_view text) const;

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
  std::string helpFile_;
  int32_t helpContext_;
};

// The source of errors raised by the component's own runtime code.
inline constexpr std::string_view kRuntimeSource = "svrZIVE";

// Runtime error numbers the component raises itself.
enum RuntimeErrorNumber : int32_t {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kInvalidUseOfNull = 94,
  kObjectRequired = 424,
  kNoSuchMember = 438,
  kWrongArgumentCount = 450,
};

// A runtime error with its standard description ("Overflow", "Type mismatch",
// ...) and source "svrZIVE".
AutomationError runtimeError(int32_t number);
[[noreturn]] void raiseRuntimeError(int32_t number);

// Runs `work`; an AutomationError leaving it gets `text` put in front of its
// description. This is how an operation annotates the failures it passes on.
template <class Work>
auto annotate(std::string_view text, Work&& work) -> decltype(work()) {
  try {
    return std::forward<Work>(work)();
  } catch (const AutomationError& e) {
    throw e.annotated(text);
  }
}

}  // namespace svrZIVE
