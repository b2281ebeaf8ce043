// Buffers of the declarant and declaration services, on top of the shared
// databases and helpers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/variant.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {

// A declarant buffer (0 to 15) with distinct values; element 0 Empty.
Variant declarantBuffer(const std::string& nif = "B12345678", const std::string& name = "DESTILERIAS SA");
// A declaration buffer (0 to 12); element 0 Empty, establishment fields empty.
Variant declarationBuffer(int32_t csde, int32_t year = 2016, int32_t periodicity = 1, int32_t period = 3,
                          const std::string& model = "560", int32_t typology = 1);

// Work that raises the engine's error `plain` with `text` (the members it
// passed through, outer first) before the engine's own description.
struct Annotated {
  std::string text;
  std::function<void()> work;
};
void expectAnnotated(const Raised& plain, const std::vector<Annotated>& cases);

}  // namespace svrZIVE::testing
