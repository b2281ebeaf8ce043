// One reference seed file (data/reference/README.md), the fuzzer's input as
// its bytes, read from a seed folder and made into a reference database as
// `zive init` makes it. A malformed file, or rows the engine refuses, raise
// an automation error; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reference/reference_database.h"
#include "tests/fuzz/fuzz_support.h"

using namespace svrZIVE;
using namespace svrZIVE::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = scratch() / "seed";
  const fs::path database = scratch() / "reference.mdb";
  fs::create_directories(folder);
  fs::remove(database);
  writeAll(folder / "T99_SEED.tsv", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    createReferenceDatabase(database.string(), readReferenceSeed(folder.string()));
  } catch (const AutomationError&) {
  }
  return 0;
}
