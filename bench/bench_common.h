// Shared pieces of the benchmarks: a scratch folder, a raw SQLite handle set
// up the way the engine sets up its own, and a reporter that prints, after
// the usual table, the ratio of each engine benchmark to its raw SQLite twin.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
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
  int queryAll(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.substr(0, 200));
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
    sqlite3_finalize(st);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

// Benchmarks come in pairs named "engine/<case>" and "<yardstick>/<case>":
// raw SQLite ("sqlite") or, where a case has another, the yardstick named.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      std::string name = run.benchmark_name();
      auto slash = name.find('/');
      if (slash == std::string::npos) continue;
      times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto& out = GetOutputStream();
    out << "\nengine time / yardstick time (raw SQLite unless named; same file, same run)\n";
    for (const auto& [name, t] : times_) {
      auto e = t.find("engine");
      if (e == t.end()) continue;
      for (const auto& [yardstick, time] : t) {
        if (yardstick == "engine" || time <= 0) continue;
        const std::string label = yardstick == "sqlite" ? name : name + " (against " + yardstick + ")";
        char line[200];
        std::snprintf(line, sizeof line, "  %-40s %6.2f\n", label.c_str(), e->second / time);
        out << line;
      }
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace svrZIVE::bench
