// Opens damaged database files and reads them the way the commands do: a
// small valid database, made once, with bytes changed where the fuzzer's
// input says (each three input bytes: a 16-bit offset into the file, taken
// modulo its size, and the byte to put there). Every read either answers or
// raises an automation error; anything else (a crash, another exception, a
// sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/automation_error.h"
#include "engine/dao.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace svrZIVE;
using namespace svrZIVE::fuzz;

void readEverything(const std::string& path) {
  std::shared_ptr<engine::Database> db;
  try {
    db = engine::DBEngine::forThread().openDatabase(path);
  } catch (const AutomationError&) {
    return;
  }
  try {
    auto& tables = db->tableDefs();
    for (int32_t t = 0; t < tables.count(); ++t) {
      auto table = tables.item(t);
      use(Variant(table->name()));
      try {
        auto& fields = table->fields();
        for (int32_t c = 0; c < fields.count(); ++c) {
          auto f = fields.item(c);
          use(Variant(f->name()));
          use(f->defaultValue());
          f->type();
          f->size();
          f->required();
        }
      } catch (const AutomationError&) {
      }
      readTable(*db, "SELECT * FROM [" + table->name() + "]");
    }
  } catch (const AutomationError&) {
  }
  readTable(*db, "SELECT count(*) FROM T1");
  readTable(*db, "SELECT NAME & ' ' & D, Format(B, '00') FROM T1 WHERE N > 1 ORDER BY NAME DESC");
  readTable(*db, "SELECT DISTINCT T1.NAME, T2.CODE FROM T1 RIGHT JOIN T2 ON T1.N = T2.N");
  readTable(*db, "SELECT TOP 2 max(D), N FROM T1 GROUP BY N ORDER BY N");
  try {
    db->close();
  } catch (const AutomationError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes = sampleDatabase();
  for (size_t i = 0; i + 2 < size; i += 3) {
    const size_t offset = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) % bytes.size();
    bytes[offset] = static_cast<char>(data[i + 2]);
  }
  const fs::path file = scratch() / "damaged.mdb";
  writeAll(file, bytes);
  readEverything(file.string());
  return 0;
}
