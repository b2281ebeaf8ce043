// Declarants and declarations through the services against the raw SQLite C
// API doing the same opens, statements and closes on the same file in the
// same run:
//   guardar_cargar_declarante     GuardarDeclarante (open, insert and maximum
//                                 in one write transaction) + CargarDeclarante
//                                 (open, select, close)
//   guardar_obtener_declaracion   GuardarDeclaracion (open, insert and maximum
//                                 in one write transaction, close) +
//                                 ObtenerDeclaraciones of that declarant
//   obtener_declaraciones_<N>     the list of one declarant's declarations and
//   numero_declaraciones_<N>      their count, with N declarations stored over
//                                 100 declarants
// The databases are made as `zive init` makes them (first layout, upgrade).
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/declaration_rows.h"
#include "bench/initialised_database.h"
#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "engine/dao.h"
#include "base/variant.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {
namespace {

constexpr int kDeclarants = 100;

// A database for the save cycles (rows accumulate while the benchmarks run).
const std::filesystem::path& cycleDatabase() {
  static const std::filesystem::path file = initialised("declarations_cycle");
  return file;
}

// `count` declarations over kDeclarants declarants, written raw in one
// transaction: the list benchmarks only read them.
const std::filesystem::path& listDatabase(int count) {
  static std::map<int, std::filesystem::path> files;
  auto it = files.find(count);
  if (it != files.end()) return it->second;
  auto file = initialised("declarations_" + std::to_string(count));
  RawDb raw(file);
  raw.exec("BEGIN");
  insertHeaders(raw, count, kDeclarants, "CASE i % 3 WHEN 0 THEN '560' WHEN 1 THEN '561' ELSE '566' END", "1",
                "i * 1.5");
  raw.exec("COMMIT");
  return files.emplace(count, file).first->second;
}

// --- Declarant save and load ---------------------------------------------------

void engineDeclarantCycle(benchmark::State& state) {
  runDeclarantCycle(state, cycleDatabase().string());
}

void sqliteDeclarantCycle(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int64_t csde = 0;
    {
      RawDb raw(cycleDatabase());
      raw.exec("BEGIN IMMEDIATE");
      raw.exec(rawDeclarantInsert(++i));
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(raw.handle(), "SELECT max(T01_CSDE) FROM T01_DECLARANTES", -1, &st, nullptr);
      if (sqlite3_step(st) == SQLITE_ROW) csde = sqlite3_column_int64(st, 0);
      sqlite3_finalize(st);
      raw.exec("COMMIT");
    }
    RawDb raw(cycleDatabase());
    raw.queryAll("SELECT * FROM T01_DECLARANTES WHERE T01_CSDE = " + std::to_string(csde));
  }
}

// --- Declaration save and list ---------------------------------------------------

const std::string kRawList =
    "SELECT T02_SECDEC,T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,T02_CAE,T02_TTA,"
    "T02_NESTAB,T02_DIRESTAB,T02_ADMCOM FROM T02_DECLARACIONES WHERE T02_CSDE = ";
const std::string kRawListOrder = " ORDER BY T02_MODELO,T02_EJER,T02_PERDAD,T02_PERNUM,T02_SECDEC";

void engineDeclarationCycle(benchmark::State& state) {
  runDeclarationCycle(state, cycleDatabase().string());
}

void sqliteDeclarationCycle(benchmark::State& state) {
  int32_t csde = 2000000;
  for (auto _ : state) {
    ++csde;
    {
      RawDb raw(cycleDatabase());
      raw.exec("BEGIN IMMEDIATE");
      raw.exec(rawDeclarationInsert(csde));
      benchmark::DoNotOptimize(raw.queryAll("SELECT MAX(T02_SECDEC) FROM T02_DECLARACIONES"));
      raw.exec("COMMIT");
    }
    RawDb raw(cycleDatabase());
    benchmark::DoNotOptimize(raw.queryAll(kRawList + std::to_string(csde) + kRawListOrder));
  }
}

// --- Lists over many stored declarations ---------------------------------------

void engineList(benchmark::State& state) {
  int count = int(state.range(0));
  cZIVEDeclaraciones service;
  service.mdbmod(listDatabase(count).string());
  int32_t csde = 0;
  for (auto _ : state) {
    Variant list = service.ObtenerDeclaraciones(csde++ % kDeclarants + 1);
    benchmark::DoNotOptimize(list);
  }
  state.counters["rows"] = count / kDeclarants;
  ZIVEGeneral::endThreadState();
}

void sqliteList(benchmark::State& state) {
  int count = int(state.range(0));
  const auto& file = listDatabase(count);
  int32_t csde = 0;
  for (auto _ : state) {
    RawDb raw(file);
    benchmark::DoNotOptimize(raw.queryAll(kRawList + std::to_string(csde++ % kDeclarants + 1) + kRawListOrder));
  }
  state.counters["rows"] = count / kDeclarants;
}

void engineCount(benchmark::State& state) {
  int count = int(state.range(0));
  cZIVEDeclaraciones service;
  service.mdbmod(listDatabase(count).string());
  int32_t csde = 0;
  for (auto _ : state) benchmark::DoNotOptimize(service.NumeroDeclaraciones(csde++ % kDeclarants + 1));
  ZIVEGeneral::endThreadState();
}

void sqliteCount(benchmark::State& state) {
  int count = int(state.range(0));
  const auto& file = listDatabase(count);
  int32_t csde = 0;
  for (auto _ : state) {
    RawDb raw(file);
    benchmark::DoNotOptimize(
        raw.queryAll("SELECT count(*) FROM T02_DECLARACIONES WHERE T02_CSDE = " +
                     std::to_string(csde++ % kDeclarants + 1)));
  }
}

}  // namespace

BENCHMARK(engineDeclarantCycle)->Name("engine/guardar_cargar_declarante")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteDeclarantCycle)->Name("sqlite/guardar_cargar_declarante")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineDeclarationCycle)->Name("engine/guardar_obtener_declaracion")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteDeclarationCycle)->Name("sqlite/guardar_obtener_declaracion")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineList)->Name("engine/obtener_declaraciones")->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteList)->Name("sqlite/obtener_declaraciones")->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(engineCount)->Name("engine/numero_declaraciones")->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteCount)->Name("sqlite/numero_declaraciones")->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace svrZIVE::bench
