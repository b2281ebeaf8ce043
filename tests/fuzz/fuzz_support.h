// What the fuzz targets share: a scratch folder of the process (in memory
// where the system has /dev/shm, removed at exit), reading and writing whole
// files, a small valid database of every field type, and the reading of a
// recordset the way the command line writes it.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "base/automation_error.h"
#include "cli/json_variant.h"
#include "engine/dao.h"

namespace svrZIVE::fuzz {

namespace fs = std::filesystem;

inline const fs::path& scratch() {
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

inline std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Two tables, T1 of every field type (a counter, an index, texts with and
// without accents, a few nulls) and T2 joined to it on N: the file's bytes.
inline const std::string& sampleDatabase() {
  static const std::string bytes = [] {
    const fs::path file = scratch() / "sample.mdb";
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
inline void use(const Variant& value) {
  cli::variantToJson(value).dump();
  cli::variantToJson(value, true).dump();
}

inline void readTable(engine::Database& db, const std::string& sql) {
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

}  // namespace svrZIVE::fuzz
