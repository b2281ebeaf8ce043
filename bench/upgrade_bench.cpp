// The upgrade of a first-layout database holding 100,000 declarations, with
// 100,000 rows in each of T03_TIPOLOGIA1 and T08_TIPOLOGIA6, against raw
// SQLite copying the same three tables in one transaction (the least work
// that touches every row of them once), and against the same copy that also
// indexes each copied table by the column the engine gives an access path
// (the upgrade ends with those paths, which a file of the current layout
// must have). Each iteration starts from a fresh copy of the file; the copy
// is not timed.
#include <filesystem>
#include <string>

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

void engineUpgrade(benchmark::State& state) {
  ScopedMessageCallback quiet([](const std::string&, int) {});
  for (auto _ : state) {
    state.PauseTiming();
    auto path = freshCopy("upgrade_bench_engine.mdb");
    state.ResumeTiming();
    cZIVETraspaso traspaso;
    traspaso.mdbmod(path.string());
    traspaso.mdbPath(scratchDir().string() + "/");
    benchmark::DoNotOptimize(traspaso.Traspaso());
  }
}

void sqliteCopy(benchmark::State& state, bool indexed) {
  for (auto _ : state) {
    state.PauseTiming();
    auto path = freshCopy("upgrade_bench_sqlite.mdb");
    state.ResumeTiming();
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
  }
}

}  // namespace

BENCHMARK(engineUpgrade)->Name("engine/upgrade_first_layout_100k")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sqliteCopy, plain, false)
    ->Name("sqlite/upgrade_first_layout_100k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(sqliteCopy, indexed, true)
    ->Name("sqlite_indexed/upgrade_first_layout_100k")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace svrZIVE::bench
