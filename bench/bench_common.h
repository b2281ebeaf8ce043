// Shared pieces of the benchmarks: a scratch folder, a raw SQLite handle set
// up the way the engine sets up its own, and a reporter that prints, after
// the usual table, the ratio of each engine benchmark to its raw SQLite twin.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace svrZIVE::bench {

// A folder on the real disk (fsync costs are part of what we measure).
inline std::filesystem::path scratchDir() {
  const char* env = std::getenv("ZIVE_BENCH_DIR");
  std::filesystem::path dir = env ? env : std::filesystem::current_path() / "bench-data";
  std::filesystem::create_directories(dir);
  return dir;
}

inline int readRows(sqlite3_stmt* st);

// A raw connection with the engine's durability settings: rollback journal,
// full synchronous commits.
class RawDb {
 public:
  explicit RawDb(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + file.string());
    exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA synchronous=FULL");
    exec("PRAGMA busy_timeout=5000");
  }
  ~RawDb() { sqlite3_close_v2(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  sqlite3* handle() const { return db_; }
  void exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error(msg + " in: " + sql.substr(0, 200));
    }
  }
  // Prepares, steps through every row reading each column, finalizes:
  // what a caller of the C API does to get a query's values.
  int queryAll(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

inline int RawDb::queryAll(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.substr(0, 200));
  int rows = readRows(st);
  sqlite3_finalize(st);
  return rows;
}

// The best program one could write on SQLite for a piece of work: one
// connection kept open, each statement prepared once and kept, its values
// bound, the same transactions and fsyncs. `statement(sql)` hands out the
// kept statement of `sql`, reset and with its bindings cleared.
class KeptStatements {
 public:
  explicit KeptStatements(const std::filesystem::path& file) : db_(file) {}
  ~KeptStatements() {
    for (auto& [sql, st] : statements_) sqlite3_finalize(st);
  }
  KeptStatements(const KeptStatements&) = delete;
  KeptStatements& operator=(const KeptStatements&) = delete;

  RawDb& db() { return db_; }
  sqlite3_stmt* statement(const std::string& sql) {
    sqlite3_stmt*& st = statements_[sql];
    if (!st && sqlite3_prepare_v3(db_.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_.handle())) + " in: " + sql.substr(0, 200));
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return st;
  }

 private:
  RawDb db_;
  std::map<std::string, sqlite3_stmt*> statements_;
};

// Steps a statement through every row reading every column, as a caller of
// the C API does to get a query's values; returns the rows.
inline int readRows(sqlite3_stmt* st) {
  int rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++rows;
    for (int c = 0, n = sqlite3_column_count(st); c < n; ++c) {
      switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(st, c)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(st, c)); break;
        case SQLITE_TEXT: benchmark::DoNotOptimize(sqlite3_column_text(st, c)); break;
        default: break;
      }
    }
  }
  return rows;
}

// Benchmarks come in pairs or triples named "engine/<case>", "sqlite/<case>"
// (the raw program as one writes it plainly: each statement prepared from its
// text) and "sqlite_best/<case>" (the best raw program, KeptStatements); a
// case measured against another program than SQLite names it instead
// ("mdb-export/<case>").
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With repetitions, the median of a case's runs stands for it.
    for (const auto& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) continue;
      std::string name = run.run_name.function_name;
      auto slash = name.find('/');
      if (slash == std::string::npos) continue;
      const std::string side = name.substr(0, slash), kase = name.substr(slash + 1);
      if (median) medians_.insert(name);
      if (median || !medians_.count(name)) times_[kase][side] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto& out = GetOutputStream();
    out << "\nengine time / raw SQLite time (same file, same run)\n";
    out << "  case                                      plain    best\n";
    for (const auto& [name, t] : times_) {
      auto e = t.find("engine");
      if (e == t.end()) continue;
      auto ratio = [&](const std::string& side) {
        auto r = t.find(side);
        return r == t.end() || r->second <= 0 ? std::string("     -") : format(e->second / r->second);
      };
      char line[200];
      if (t.count("sqlite") || t.count("sqlite_best")) {
        std::snprintf(line, sizeof line, "  %-40s %s  %s\n", name.c_str(), ratio("sqlite").c_str(),
                      ratio("sqlite_best").c_str());
        out << line;
      }
      for (const auto& [yardstick, time] : t) {
        if (yardstick == "engine" || yardstick == "sqlite" || yardstick == "sqlite_best") continue;
        const std::string label = name + " (against " + yardstick + ")";
        std::snprintf(line, sizeof line, "  %-40s %s\n", label.c_str(), ratio(yardstick).c_str());
        out << line;
      }
    }
  }

 private:
  static std::string format(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%6.2f", ratio);
    return text;
  }
  std::map<std::string, std::map<std::string, double>> times_;
  std::set<std::string> medians_;
};

}  // namespace svrZIVE::bench
