// Catching the automation errors a piece of work raises, for every test layer.
#pragma once

#include <optional>
#include <string>

#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE::testing {

// The error `work` raises, if any.
template <class Work>
std::optional<AutomationError> errorOf(Work&& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return e;
  }
  return std::nullopt;
}

// Its number; 0 when nothing is raised.
template <class Work>
int32_t errorNumberOf(Work&& work) {
  auto e = errorOf(std::forward<Work>(work));
  return e ? e->number() : 0;
}

// Everything an automation error carries, for comparing two of them whole.
inline std::string everything(const AutomationError& e) {
  return std::to_string(e.number()) + " | " + e.source() + " | " + e.description() + " | " + e.helpFile() + " | " +
         std::to_string(e.helpContext());
}

// Any object a variant can hold.
struct ObjectStub : Dispatch {
  std::string className() const override { return "Stub"; }
};

}  // namespace svrZIVE::testing
