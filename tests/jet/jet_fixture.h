// A small in-memory SQLite database with the Jet functions registered and a
// catalog describing the same tables, for running translated statements.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

#include "engine/jet/translator.h"
#include "tests/base/base_support.h"

namespace svrZIVE::engine::jet::testing {

class TestCatalog : public Catalog {
 public:
  const TableInfo* findTable(std::string_view name) override {
    for (auto& [key, table] : tables)
      if (namesEqual(key, name)) return &table;
    return nullptr;
  }
  std::map<std::string, TableInfo> tables;
};

struct Col {
  std::string name;
  DaoType type;
  int32_t size = 0;
  bool required = false;
  bool allowZeroLength = true;
  bool counter = false;
};

using Row = std::vector<Variant>;

// An error that a statement raised, in translation or in execution.
struct Failure {
  int32_t number = 0;
  std::string description;
};

class JetDb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    registerJetFunctions(db_);
  }
  void TearDown() override { sqlite3_close(db_); }

  void addTable(const std::string& name, const std::vector<Col>& cols) {
    TableInfo info;
    info.name = name;
    std::string ddl = "CREATE TABLE \"" + name + "\" (";
    int16_t position = 0;
    for (const auto& c : cols) {
      ColumnInfo ci;
      ci.name = c.name;
      ci.type = c.type;
      ci.size = c.type == DaoType::Text ? (c.size ? c.size : 255) : c.size;
      ci.required = c.required;
      ci.allowZeroLength = c.allowZeroLength;
      ci.autoIncrement = c.counter;
      ci.ordinalPosition = position++;
      info.columns.push_back(ci);
      const bool text = c.type == DaoType::Text || c.type == DaoType::Memo;
      const bool real = c.type == DaoType::Double || c.type == DaoType::Single || c.type == DaoType::Currency ||
                        c.type == DaoType::Date;
      const std::string type = c.counter ? "INTEGER PRIMARY KEY" : text ? "TEXT" : real ? "REAL" : "INTEGER";
      ddl += (position > 1 ? ", \"" : "\"") + c.name + "\" " + type;
    }
    ddl += ")";
    catalog_.tables[name] = info;
    execSqlite(ddl);
  }

  void execSqlite(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
    sqlite3_free(error);
  }

  static Variant value(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
      case SQLITE_INTEGER: return Variant(static_cast<int32_t>(sqlite3_column_int64(st, i)));
      case SQLITE_FLOAT: return Variant(sqlite3_column_double(st, i));
      case SQLITE_TEXT: return Variant(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
      default: return Variant::null();
    }
  }

  // Runs an already translated statement; SQLite errors of ours become Failures.
  std::vector<Row> runSql(const Translation& t, bool withHidden = false) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, t.sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK) {
      std::string message = sqlite3_errmsg(db_);
      ADD_FAILURE() << "SQLite rejected: " << t.sql << ": " << message;
      throw Failure{-1, message};
    }
    std::vector<Row> rows;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      Row row;
      int n = sqlite3_column_count(st);
      int visible = t.kind == StatementKind::Select && !withHidden ? static_cast<int>(t.columns.size()) : n;
      for (int i = 0; i < visible && i < n; ++i) row.push_back(value(st, i));
      rows.push_back(std::move(row));
    }
    std::string message = sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
      if (message.size() > 1 && message[0] == '#') {
        size_t end = message.find('#', 1);
        throw Failure{std::stoi(message.substr(1, end - 1)), message.substr(end + 1)};
      }
      throw Failure{-1, message};
    }
    return rows;
  }

  std::vector<Row> query(const std::string& jet) {
    last_ = translate(jet, catalog_);
    return runSql(last_);
  }
  void exec(const std::string& jet) { query(jet); }

  // The number of the error `jet` raises (translating or running); 0 if none.
  Failure failure(const std::string& jet) {
    try {
      query(jet);
    } catch (const AutomationError& e) {
      return Failure{e.number(), e.description()};
    } catch (const Failure& f) {
      return f;
    }
    return Failure{};
  }

  // The last statement's result columns, "name:type" each.
  std::string columns() const {
    std::string out;
    for (const auto& c : last_.columns) out += (out.empty() ? "" : " ") + c.name + ":" + std::string(daoTypeName(c.type));
    return out;
  }

  Variant scalar(const std::string& jet) {
    auto rows = query(jet);
    EXPECT_EQ(rows.size(), 1u) << jet << " -> " << last_.sql;
    if (rows.empty() || rows[0].empty()) return Variant::empty();
    return rows[0][0];
  }

  sqlite3* db_ = nullptr;
  TestCatalog catalog_;
  Translation last_;
};

// Texts of a result, for compact comparisons: Null as "<null>", numbers as
// the runtime writes them.
inline std::string show(const Variant& v) {
  if (v.isNull()) return "<null>";
  if (v.isEmpty()) return "<empty>";
  if (v.isString()) return "'" + v.asString() + "'";
  return formatDouble(v.toDouble());
}

inline std::string show(const Row& r) {
  std::string out = "(";
  for (size_t i = 0; i < r.size(); ++i) out += (i ? "," : "") + show(r[i]);
  return out + ")";
}

inline std::string show(const std::vector<Row>& rows) {
  std::string out;
  for (const auto& r : rows) out += show(r);
  return out;
}

}  // namespace svrZIVE::engine::jet::testing
