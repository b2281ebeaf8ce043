// The upgrade of a first-layout database holding 100,000 declarations, with
// 100,000 rows in each of T03_TIPOLOGIA1 and T08_TIPOLOGIA6, against raw
// SQLite copying the same three tables in one transaction (the least work
// that touches every row of them once), and against the same copy that also
// indexes each copied table by the column the engine gives an access path
// (the upgrade ends with those paths, which a file of the current layout
// must have), and against raw SQLite making the same changes by hand (the
// tables the upgrade adds, and each table that gains fields copied once into
// its new declaration with the values they get). Each iteration starts from
// a fresh copy of the file; the copy is not timed.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "engine/dao.h"
#include "frame/message_box.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::bench {
namespace {

constexpr int kRows = 100000;

std::string rowsOf(const std::string& insert) {
  return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kRows) +
         ") " + insert;
}

// The first layout through the engine, the rows through one raw transaction.
const std::filesystem::path& firstLayoutDatabase() {
  static const std::filesystem::path file = [] {
    auto path = scratchDir() / "upgrade_bench_base.mdb";
    std::filesystem::remove(path);
    auto db = engine::DBEngine::forThread().createDatabase(path.string());
    upgrade::createBaseLayout(*db);
    db->close();

    std::string t08Columns = "T08_SECDEC", t08Values = "i";
    for (int n = 1; n <= 5; ++n) {
      std::string k = std::to_string(n);
      t08Columns += ",T08_CODEPI" + k + ",T08_BASIMP" + k + ",T08_TIPO" + k + ",T08_CUOTA" + k;
      t08Values += ",'E" + k + "',i*" + k + ".5,0.0" + k + ",i*0.1" + k;
    }
    t08Columns += ",T08_CUOTAINTEGRA,T08_DEDUCCUOTA,T08_CUOTA";
    t08Values += ",i*2.5,i*0.5,i*2.0";

    RawDb raw(path);
    raw.exec("BEGIN");
    raw.exec(rowsOf(
        "INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN)"
        " SELECT i % 1000 + 1, 2010 + i % 10, '1', printf('%02d', i % 12 + 1), '560', 1, i * 1.5 FROM n"));
    raw.exec(rowsOf(
        "INSERT INTO T03_TIPOLOGIA1 (T03_SECDEC,T03_BASEIMP,T03_TIPO,T03_CUOTA) SELECT i, i * 10.0, 0.07, i * 0.7 FROM n"));
    raw.exec(rowsOf("INSERT INTO T08_TIPOLOGIA6 (" + t08Columns + ") SELECT " + t08Values + " FROM n"));
    raw.exec("COMMIT");
    return path;
  }();
  return file;
}

std::filesystem::path freshCopy(const char* name) {
  auto path = scratchDir() / name;
  std::filesystem::remove(path);
  std::filesystem::copy_file(firstLayoutDatabase(), path);
  return path;
}

// `work` timed on a fresh copy of the first-layout file in each iteration.
template <class Work>
void onFreshCopies(benchmark::State& state, const char* name, Work work) {
  for (auto _ : state) {
    state.PauseTiming();
    auto path = freshCopy(name);
    state.ResumeTiming();
    work(path);
  }
}

void engineUpgrade(benchmark::State& state) {
  ScopedMessageCallback quiet([](const std::string&, int) {});
  onFreshCopies(state, "upgrade_bench_engine.mdb", [](const std::filesystem::path& path) {
    cZIVETraspaso traspaso;
    traspaso.mdbmod(path.string());
    traspaso.mdbPath(scratchDir().string() + "/");
    benchmark::DoNotOptimize(traspaso.Traspaso());
  });
}

void sqliteCopy(benchmark::State& state, bool indexed) {
  onFreshCopies(state, "upgrade_bench_sqlite.mdb", [&](const std::filesystem::path& path) {
    RawDb raw(path);
    raw.exec("BEGIN");
    raw.exec("CREATE TABLE C02 AS SELECT * FROM T02_DECLARACIONES WHERE 0");
    raw.exec("INSERT INTO C02 SELECT * FROM T02_DECLARACIONES");
    raw.exec("CREATE TABLE C03 AS SELECT * FROM T03_TIPOLOGIA1 WHERE 0");
    raw.exec("INSERT INTO C03 SELECT * FROM T03_TIPOLOGIA1");
    raw.exec("CREATE TABLE C08 AS SELECT * FROM T08_TIPOLOGIA6 WHERE 0");
    raw.exec("INSERT INTO C08 SELECT * FROM T08_TIPOLOGIA6");
    if (indexed) {
      raw.exec("CREATE INDEX C02_CSDE ON C02 (T02_CSDE)");
      raw.exec("CREATE INDEX C03_SECDEC ON C03 (T03_SECDEC)");
      raw.exec("CREATE INDEX C08_SECDEC ON C08 (T08_SECDEC)");
    }
    raw.exec("COMMIT");
  });
}

// The tables of a file the upgrade brought to the current layout: their
// declarations, whether the first layout holds them as they are, and the
// column of their access path.
struct UpgradedTable {
  std::string name, declaration, pathColumn;
  bool unchanged = false, inBase = false;
};

std::string textColumn(sqlite3_stmt* st, int i) {
  auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
  return t ? t : "";
}

const std::vector<UpgradedTable>& upgradedTables() {
  static const std::vector<UpgradedTable> tables = [] {
    ScopedMessageCallback quiet([](const std::string&, int) {});
    auto path = freshCopy("upgrade_bench_target.mdb");
    cZIVETraspaso traspaso;
    traspaso.mdbmod(path.string());
    traspaso.Traspaso();
    RawDb raw(path);
    raw.exec("ATTACH '" + firstLayoutDatabase().string() + "' AS base");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw.handle(),
                       "SELECT t.name, t.sql, (SELECT ii.name FROM main.sqlite_schema AS i, pragma_index_info(i.name) AS ii"
                       " WHERE i.type = 'index' AND i.tbl_name = t.name AND i.name LIKE 'zive_path%'),"
                       " EXISTS (SELECT 1 FROM base.sqlite_schema AS b WHERE b.name = t.name AND b.sql = t.sql),"
                       " EXISTS (SELECT 1 FROM base.sqlite_schema AS b WHERE b.name = t.name)"
                       " FROM main.sqlite_schema AS t WHERE t.type = 'table' AND t.name NOT LIKE 'zive%'"
                       " AND t.name NOT LIKE 'sqlite%'",
                       -1, &st, nullptr);
    std::vector<UpgradedTable> out;
    while (sqlite3_step(st) == SQLITE_ROW)
      out.push_back({textColumn(st, 0), textColumn(st, 1), textColumn(st, 2), sqlite3_column_int(st, 3) != 0,
                     sqlite3_column_int(st, 4) != 0});
    sqlite3_finalize(st);
    return out;
  }();
  return tables;
}

// What the upgrade changes, written by hand on raw SQLite: the new tables
// made, and each table that gains fields copied once into its new
// declaration with the values the upgrade gives them, the old one dropped,
// the copy renamed, and the access paths built. No catalog of ours, no
// journal, no backup copy.
void sqliteSameChanges(benchmark::State& state) {
  const std::map<std::string, std::string> newValues = {
      {"T02_DECLARACIONES", "' ', ' ', ' ', ' ', ' '"},
      {"T03_TIPOLOGIA1", "0, 0, 0, 0, 0, 0, 0, T03_CUOTA, 0, 0, 0, 0, 0"},
      {"T08_TIPOLOGIA6", "' ', 0, 0, 0"},
  };
  upgradedTables();
  onFreshCopies(state, "upgrade_bench_sqlite.mdb", [&](const std::filesystem::path& path) {
    RawDb raw(path);
    raw.exec("PRAGMA ignore_check_constraints = ON");
    raw.exec("BEGIN");
    for (const auto& table : upgradedTables()) {
      const std::string quoted = "\"" + table.name + "\"";
      auto values = newValues.find(table.name);
      if (values == newValues.end()) {
        if (table.inBase && !table.unchanged) throw std::logic_error("no new values for " + table.name);
        if (!table.inBase) raw.exec(table.declaration);
      } else {
        std::string declaration = table.declaration;
        declaration.replace(declaration.find(quoted), quoted.size(), "\"new\"");
        raw.exec(declaration);
        raw.exec("INSERT INTO \"new\" SELECT *, " + values->second + " FROM " + quoted);
        raw.exec("DROP TABLE " + quoted);
        raw.exec("ALTER TABLE \"new\" RENAME TO " + quoted);
      }
      if (!table.pathColumn.empty())
        raw.exec("CREATE INDEX \"path_" + table.name + "\" ON " + quoted + " (\"" + table.pathColumn + "\")");
    }
    raw.exec("COMMIT");
  });
}

}  // namespace

BENCHMARK(engineUpgrade)->Name("engine/upgrade_first_layout_100k")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sqliteCopy, plain, false)
    ->Name("sqlite/upgrade_first_layout_100k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(sqliteSameChanges)
    ->Name("sqlite_same_changes/upgrade_first_layout_100k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(sqliteCopy, indexed, true)
    ->Name("sqlite_indexed/upgrade_first_layout_100k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace svrZIVE::bench
