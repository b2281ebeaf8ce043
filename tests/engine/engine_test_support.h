// Shared pieces of the engine tests: a fresh folder per test, a raw SQLite
// connection to look at (and write into) a file behind the engine's back,
// a check of the engine's errors, and files shared by several connections.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/sqlite_db.h"
#include "tests/base/base_support.h"

namespace svrZIVE::engine::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zive-engine-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A plain SQLite connection, for checks from outside the engine.
class RawDb {
 public:
  explicit RawDb(const std::string& file, bool create = false) {
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + file);
    sqlite3_busy_timeout(db_, 5000);
  }
  ~RawDb() { sqlite3_close_v2(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  // Every row of `sql` as "a|b" ("NULL" for Null), rows apart by a blank.
  std::string value(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    std::string out;
    int rc;
    for (int row = 0; (rc = sqlite3_step(st)) == SQLITE_ROW; ++row)
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        out += (c ? "|" : row ? " " : "") + std::string(t ? reinterpret_cast<const char*>(t) : "NULL");
      }
    std::string err = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    if (!err.empty()) throw std::runtime_error(err + " in: " + sql);
    return out;
  }
  void exec(const std::string& sql) { value(sql); }

 private:
  sqlite3* db_ = nullptr;
};

using ::svrZIVE::testing::errorNumberOf;
using ::svrZIVE::testing::errorOf;

// The number of the engine error `statement` raises (0 for none) against the one it must raise.
#define EXPECT_JET_ERROR(statement, expectedNumber) \
  EXPECT_EQ(::svrZIVE::testing::errorNumberOf([&] { statement; }), (expectedNumber)) << #statement

// The rows of `sql` read through the engine, written as RawDb::value writes them.
inline std::string rowsOf(Database& db, const std::string& sql) {
  std::string out;
  int row = 0;
  for (auto rs = db.openRecordset(sql); !rs->eof(); rs->moveNext(), ++row)
    for (int32_t i = 0; i < rs->fields().count(); ++i)
      out += (i ? "|" : row ? " " : "") + (rs->value(i).isNull() ? std::string("NULL") : rs->value(i).toText());
  return out;
}

// The number and source of the error `call` raises ("none" when it raises none).
template <class Call>
std::string sourcedError(Call&& call) {
  auto e = errorOf(call);
  return e ? std::to_string(e->number()) + " " + e->source() : "none";
}
// "" when `call` raises nothing, else "error " and the number.
template <class Call>
std::string resultOf(Call&& call) {
  auto e = errorOf(call);
  return e ? "error " + std::to_string(e->number()) : "";
}

// A fresh folder per test and the thread's engine.
class EngineTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return folder_.file(name); }
  std::shared_ptr<Database> createDb(const std::string& name = "test.mdb") {
    return DBEngine::forThread().createDatabase(file(name));
  }
  std::shared_ptr<Database> openDb(const std::string& name = "test.mdb") {
    return DBEngine::forThread().openDatabase(file(name));
  }
  // What a step of expectResults gives: a query's rows (as rowsOf writes
  // them), "" for any other statement, or "error " and the number it raises.
  // "RAW <statement>" runs on test.mdb through a connection of its own, past
  // the engine ("refused" when SQLite refuses it).
  virtual std::string outcome(Database& db, const std::string& step) {
    std::string rows;
    const bool raw = step.starts_with("RAW ");
    const bool query = step.starts_with("SELECT") && step.find(" INTO ") == std::string::npos;
    try {
      auto e = errorOf([&] {
        raw ? void(rows = RawDb(file("test.mdb")).value(step.substr(4))) : query ? void(rows = rowsOf(db, step)) : db.execute(step);
      });
      return e ? "error " + std::to_string(e->number()) : rows;
    } catch (const std::runtime_error&) {
      return "refused";
    }
  }
  // Runs the steps in turn, each against the result it must give.
  void expectResults(Database& db, std::initializer_list<std::pair<std::string, std::string>> steps) {
    for (const auto& [step, expected] : steps) EXPECT_EQ(outcome(db, step), expected) << step;
  }
  TempFolder folder_;
};

// How long a connection waits for another one's lock, for one scope.
class BusyTimeout {
 public:
  explicit BusyTimeout(int ms) : saved_(detail::busyTimeoutMs()) { detail::setBusyTimeoutMs(ms); }
  ~BusyTimeout() { detail::setBusyTimeoutMs(saved_); }
  BusyTimeout(const BusyTimeout&) = delete;
  BusyTimeout& operator=(const BusyTimeout&) = delete;

 private:
  int saved_;
};

// test.mdb and other.mdb, each with table
// T (ID COUNTER, WHO LONG, N LONG with a unique index, NAME TEXT(20), PAD TEXT(200)).
class SharedFileTest : public EngineTest {
 protected:
  void SetUp() override {
    for (const char* name : {"test.mdb", "other.mdb"}) {
      auto db = createDb(name);
      db->execute("CREATE TABLE T (ID COUNTER, WHO LONG, N LONG, NAME TEXT(20), PAD TEXT(200))");
      db->execute("CREATE UNIQUE INDEX IX_T_N ON T (N)");
      db->close();
    }
  }
};

// The fields' names apart by a blank, each with ":" and its type when asked.
inline std::string fieldNames(Fields& fields, bool types = false) {
  std::string names;
  for (int32_t i = 0; i < fields.count(); ++i)
    names += (i ? " " : "") + fields.item(i)->name() + (types ? ":" + std::string(daoTypeName(fields.item(i)->type())) : "");
  return names;
}

}  // namespace svrZIVE::engine::testing
