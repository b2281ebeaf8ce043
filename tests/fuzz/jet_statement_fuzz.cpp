// One Jet statement, the fuzzer's input as its text, through the engine's
// public path: lexed, parsed, translated and run, twice (the second time
// from the engine's cache of statement shapes), on a fresh copy of a small
// database of every field type. A statement that selects is read to its
// last record, so that the functions of ours meet every row. Every statement
// either runs or raises an automation error; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/jet/errors.h"
#include "tests/fuzz/fuzz_support.h"

using namespace svrZIVE;
using namespace svrZIVE::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  const fs::path file = scratch() / "statement.mdb";
  writeAll(file, sampleDatabase());
  auto db = engine::DBEngine::forThread().openDatabase(file.string());
  for (int pass = 0; pass < 2; ++pass) {
    try {
      db->execute(sql, engine::dbFailOnError);
    } catch (const AutomationError& e) {
      if (e.number() == engine::kCannotExecuteSelect) readTable(*db, sql);
    }
  }
  db->close();
  return 0;
}
