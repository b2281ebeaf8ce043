// One argument of `zive call`, the fuzzer's input as its text, decoded as
// the command decodes it (JSON in the variant encoding, or the word itself)
// and written back. Whatever is not an encoded variant raises
// std::invalid_argument, a class that is not registered an automation
// error. A value read back from its own typed encoding must encode the same
// again: any difference, crash or sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "base/automation_error.h"
#include "cli/json_variant.h"

using namespace svrZIVE;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Variant value;
  try {
    value = cli::variantFromArgument(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::invalid_argument&) {
    return 0;
  } catch (const AutomationError&) {
    return 0;
  }
  const std::string typed = cli::variantToJson(value, true).dump();
  if (cli::variantToJson(cli::variantFromJson(nlohmann::json::parse(typed)), true).dump() != typed) std::abort();
  cli::variantToJson(value).dump();
  return 0;
}
