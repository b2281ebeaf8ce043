// A small in-memory SQLite database with the Jet functions registered and a
// catalog describing the same tables, for running translated statements.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
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
  bool required = false, allowZeroLength = true, counter = false;
};

using Row = std::vector<Variant>;

// An error that a statement raised, in translation or in execution.
struct Failure { int32_t number = 0; std::string description; };

// Texts of a result, for compact comparisons: Null as "<null>", numbers as
// the runtime writes them.
inline std::string show(const Variant& v) {
  if (v.isNull()) return "<null>";
  if (v.isEmpty()) return "<empty>";
  if (v.isString()) return "'" + v.asString() + "'";
  if (v.isDate()) return "#" + v.toText() + "#";
  return formatDouble(v.toDouble());
}

inline std::string show(const std::vector<Row>& rows) {
  std::string out;
  for (const auto& r : rows)
    for (size_t i = 0; i < r.size(); ++i) out += (i ? "," : "(") + show(r[i]) + (i + 1 < r.size() ? "" : ")");
  return out;
}
inline std::string show(const Row& r) { return show(std::vector<Row>{r}); }

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
      info.columns.push_back({.name = c.name, .type = c.type, .size = c.type == DaoType::Text && !c.size ? 255 : c.size,
                              .required = c.required, .allowZeroLength = c.allowZeroLength, .defaultValue = {},
                              .ordinalPosition = position++, .autoIncrement = c.counter});
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
  std::vector<Row> runSql(const Translation& t, bool withHidden = false,
                          const std::function<void(sqlite3_stmt*)>& bind = {}) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, t.sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK) {
      std::string message = sqlite3_errmsg(db_);
      ADD_FAILURE() << "SQLite rejected: " << t.sql << ": " << message;
      throw Failure{-1, message};
    }
    if (bind) bind(st);
    std::vector<Row> rows;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      Row row;
      int n = sqlite3_column_count(st);
      int visible = t.kind == StatementKind::Select && !withHidden ? static_cast<int>(t.columns.size()) : n;
      for (int i = 0; i < visible && i < n; ++i) {
        Variant v = value(st, i);
        const bool date = t.kind == StatementKind::Select && i < static_cast<int>(t.columns.size()) &&
                          t.columns[static_cast<size_t>(i)].type == DaoType::Date;
        row.push_back(date && !v.isNull() ? Variant::date(v.toDouble()) : v);
      }
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

  // The error `fn` raises, translating or running; number 0 if none.
  template <class Fn>
  static Failure caught(Fn&& fn) {
    try {
      fn();
    } catch (const AutomationError& e) {
      return Failure{e.number(), e.description()};
    } catch (const Failure& f) {
      return f;
    }
    return Failure{};
  }

  // Runs `jet` every way the engine runs a statement and checks that they
  // agree: translated as it is; through its shape, translated once with the
  // literals bound as parameters; and, for a SELECT, again with a descending
  // index on every column. The paths compare rows (in order where the
  // statement has ORDER BY) or error numbers. Gives the first path's rows or
  // throws its error.
  std::vector<Row> query(const std::string& jet) {
    const std::string shaped = attempt(jet, [&] { return runShaped(jet); });
    const size_t first = jet.find_first_not_of(" \t\r\n(");
    const bool select = first != std::string::npos && namesEqual(std::string_view(jet).substr(first, 6), "SELECT");
    const std::string indexed = select ? attempt(jet, [&] {
      addIndexes();
      return runSql(translate(jet, catalog_));
    }) : shaped;
    std::vector<Row> rows;
    const Failure f = caught([&] {
      last_ = translate(jet, catalog_);
      rows = runSql(last_);
    });
    const std::string fresh = f.number ? "error " + std::to_string(f.number) : outcome(jet, rows);
    EXPECT_EQ(shaped, fresh) << "parameterised: " << jet;
    EXPECT_EQ(indexed, fresh) << "with indexes: " << jet;
    if (f.number) throw f;
    return rows;
  }
  void exec(const std::string& jet) { query(jet); }
  Failure failure(const std::string& jet) { return caught([&] { query(jet); }); }

  // show() of the rows `jet` gives ("" for a statement that writes), or "error " and its number.
  std::string result(const std::string& jet) {
    std::vector<Row> rows;
    const Failure f = caught([&] { rows = query(jet); });
    return f.number ? "error " + std::to_string(f.number) : show(rows);
  }
  // Runs the statements in turn, each against the result() it must give.
  void expectResults(std::initializer_list<std::pair<std::string, std::string>> steps) {
    for (const auto& [jet, expected] : steps) EXPECT_EQ(result(jet), expected) << jet.substr(0, 100);
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

  // ---- the paths of the harness ----

  std::string outcome(const std::string& jet, std::vector<Row> rows) const {
    static const std::regex ordered("order +by", std::regex::icase);
    if (!std::regex_search(jet, ordered))
      std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return show(a) < show(b); });
    return show(rows);
  }

  // The outcome of `path` run in a savepoint that is then rolled back.
  template <class Path>
  std::string attempt(const std::string& jet, Path&& path) {
    execSqlite("SAVEPOINT harness");
    std::string result;
    const Failure f = caught([&] { result = outcome(jet, path()); });
    execSqlite("ROLLBACK TO harness");
    execSqlite("RELEASE harness");
    return f.number ? "error " + std::to_string(f.number) : result;
  }

  // The statement through its shape: writeSql must give the fresh
  // translation's text, and the statement runs with its literals bound.
  std::vector<Row> runShaped(const std::string& jet) {
    StatementShape shape = statementShape(jet);
    if (!shape.usable) return runSql(translate(jet, catalog_));
    ShapedTranslation shaped = translateShape(jet, shape, catalog_);
    EXPECT_EQ(shaped.writeSql(shape), translate(jet, catalog_).sql) << jet;
    // As the engine: a literal its field cannot store leaves the statement
    // to its full text.
    std::vector<Variant> values;
    if (caught([&] { values = shaped.parameters(shape); }).number) return runSql(translate(jet, catalog_));
    return runSql(shaped.translation, false, [&](sqlite3_stmt* st) {
      for (size_t i = 0; i < values.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        const Variant& v = values[i];
        if (shaped.fixed[i]) continue;
        if (v.isNull()) sqlite3_bind_null(st, index);
        else if (v.isString()) sqlite3_bind_text(st, index, v.asString().c_str(), -1, SQLITE_TRANSIENT);
        else if (v.type() == VarType::Double || v.type() == VarType::Date) sqlite3_bind_double(st, index, v.toDouble());
        else sqlite3_bind_int64(st, index, v.type() == VarType::Boolean ? (v.asBoolean() ? -1 : 0) : v.toLong());
      }
    });
  }

  void addIndexes() {
    for (const auto& [name, table] : catalog_.tables)
      for (const auto& c : table.columns) {
        const bool text = c.type == DaoType::Text || c.type == DaoType::Memo;
        execSqlite("CREATE INDEX \"zh_" + name + "_" + c.name + "\" ON \"" + name + "\" (\"" + c.name + "\"" +
                   (text ? " COLLATE \"JET\"" : "") + " DESC)");
      }
  }

  sqlite3* db_ = nullptr;
  TestCatalog catalog_;
  Translation last_;
};

}  // namespace svrZIVE::engine::jet::testing
