// One Access file, the fuzzer's input as its bytes, imported as `zive
// import-mdb` imports it into a new database. The seed is an Access
// database of the tests' own data, given at run time (docs/RELIABILITY.md);
// what mdbtools makes of the damaged copies (tables, fields of any type and
// size, records cut short) must be imported or refused with an automation
// error, leaving nothing behind; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/access_import.h"
#include "tests/fuzz/fuzz_support.h"

using namespace svrZIVE;
using namespace svrZIVE::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path source = scratch() / "source.mdb";
  const fs::path destination = scratch() / "imported.mdb";
  writeAll(source, std::string_view(reinterpret_cast<const char*>(data), size));
  fs::remove(destination);
  try {
    access::importAccessFile(source.string(), destination.string());
  } catch (const AutomationError&) {
    // Neither the destination nor the file it was written under.
    for (const auto& entry : fs::directory_iterator(scratch()))
      if (entry.path().filename().string().find("imported") != std::string::npos) std::abort();
  }
  return 0;
}
