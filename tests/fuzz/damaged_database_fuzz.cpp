// Opens damaged database files and reads them the way the commands do: a
// small valid database, made once, with bytes changed where the fuzzer's
// input says (each three input bytes: a 16-bit offset into the file, taken
// modulo its size, and the byte to put there). Every read either answers or
// raises an automation error; anything else (a crash, another exception, a
// sanitizer report) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/automation_error.h"
#include "cli/json_variant.h"
#include "engine/dao.h"

namespace {

using namespace svrZIVE;
namespace fs = std::filesystem;

const fs::path& scratch() {
  static const fs::path dir = [] {
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path d = base / ("zive-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(d);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(scratch(), ec);
    });
    return d;
  }();
  return dir;
}

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two tables of every field type, with a counter, an index, texts with and
// without accents and a few nulls.
const std::string& validFile() {
  static const std::string bytes = [] {
    const fs::path file = scratch() / "valid.mdb";
    fs::remove(file);
    auto db = engine::DBEngine::forThread().createDatabase(file.string());
    db->execute("CREATE TABLE T1 (ID COUNTER, N LONG, B BYTE, I INTEGER, F BIT, D DOUBLE, S SINGLE, "
                "C CURRENCY, W DATETIME, NAME TEXT(20) NOT NULL, NOTE MEMO)");
    db->execute("CREATE INDEX IX_N ON T1 (N)");
    db->execute("CREATE TABLE T2 (N LONG, CODE TEXT(3))");
    for (int i = 1; i <= 6; ++i) {
      const std::string n = std::to_string(i);
      db->execute("INSERT INTO T1 (N, B, I, F, D, S, C, W, NAME, NOTE) VALUES (" + n + ", " + n + ", -" + n +
                  ", True, " + n + ".5, 0.25, 12.3456, 45000, 'Peña " + n + "', " + (i % 2 ? "Null" : "'nota'") +
                  ")");
      db->execute("INSERT INTO T2 (N, CODE) VALUES (" + n + ", 'C" + n + "')");
    }
    db->close();
    return readAll(file);
  }();
  return bytes;
}

// Every value as the command line writes it.
void use(const Variant& value) {
  cli::variantToJson(value).dump();
  cli::variantToJson(value, true).dump();
}

void readTable(engine::Database& db, const std::string& sql) {
  try {
    auto rs = db.openRecordset(sql);
    auto& fields = rs->fields();
    for (int32_t c = 0; c < fields.count(); ++c) {
      auto f = fields.item(c);
      use(Variant(f->name()));
      f->type();
      f->size();
    }
    for (; !rs->eof(); rs->moveNext())
      for (int32_t c = 0; c < fields.count(); ++c) use(rs->value(c));
    rs->close();
  } catch (const AutomationError&) {
  }
}

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
  std::string bytes = validFile();
  for (size_t i = 0; i + 2 < size; i += 3) {
    const size_t offset = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) % bytes.size();
    bytes[offset] = static_cast<char>(data[i + 2]);
  }
  const fs::path file = scratch() / "damaged.mdb";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  readEverything(file.string());
  return 0;
}
