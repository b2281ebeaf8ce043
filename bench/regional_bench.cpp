// Form 582's lookups on the reference database (the sample one, as `zive
// init` makes it) through cZIVETipologia16 against the raw SQLite C API doing
// the same work on the same file in the same run. Each service operation
// opens the reference database, runs its two queries and closes it, so the
// raw side opens and closes a connection per operation too:
//   obtener_tipo_582     ObtenerTipo582 for body 01 in 2016/3: the rate set
//                        in force, then its epigraphs with the body's rate
//                        (the raw side reads the found set's year and
//                        period and binds them into the second query)
//   cargar_lista_admcom  cargarListaAdmCom of epigraph 1.3 in 2016/3: the
//                        epigraph's 17 rates, then the 18 body names
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "bench/bench_common.h"
#include "forms/regional/cZIVETipologia16.h"
#include "frame/zive_general.h"
#include "reference/reference_database.h"

namespace svrZIVE::bench {
namespace {

const std::filesystem::path& referenceDatabase() {
  static const std::filesystem::path file = [] {
    auto dir = scratchDir() / "regional";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto f = dir / "ZIVELEC.MDB";
    createReferenceDatabase(f.string(), referenceSeed().tables);
    return f;
  }();
  return file;
}

constexpr int32_t kYear = 2016;
constexpr int16_t kPeriod = 3;

void engineRates(benchmark::State& state) {
  cZIVETipologia16 service;
  service.mdblec(referenceDatabase().string());
  for (auto _ : state) benchmark::DoNotOptimize(service.ObtenerTipo582(0, kYear, kPeriod, "01"));
  ZIVEGeneral::endThreadState();
}

void sqliteRates(benchmark::State& state) {
  const auto& file = referenceDatabase();
  for (auto _ : state) {
    RawDb raw(file);
    sqlite3_stmt* found = nullptr;
    sqlite3_prepare_v2(raw.handle(),
                       "SELECT DISTINCT T07_EJER, T07_PER FROM T07_TIPOS4 WHERE T07_MOD = '582' AND "
                       "T07_EJER || printf('%02d', T07_PER) <= '201603' ORDER BY T07_EJER DESC, T07_PER DESC LIMIT 1",
                       -1, &found, nullptr);
    if (sqlite3_step(found) != SQLITE_ROW) throw std::runtime_error("no rate set in force");
    std::string key = std::to_string(sqlite3_column_int(found, 0)) + std::to_string(sqlite3_column_int(found, 1));
    sqlite3_finalize(found);
    benchmark::DoNotOptimize(raw.queryAll(
        "SELECT DISTINCT T07_MOD, T07_EJER, T07_PER, T07_EPIEXT, T07_TIPO02, T07_NOMC, T07_NOME FROM T07_TIPOS4 "
        "WHERE T07_MOD = '582' AND T07_EJER || T07_PER = '" + key + "' ORDER BY T07_MOD, T07_EJER DESC, T07_PER DESC"));
  }
}

void engineBodies(benchmark::State& state) {
  cZIVETipologia16 service;
  service.mdblec(referenceDatabase().string());
  for (auto _ : state) benchmark::DoNotOptimize(service.cargarListaAdmCom(kYear, kPeriod, "1.3", "C"));
  ZIVEGeneral::endThreadState();
}

void sqliteBodies(benchmark::State& state) {
  std::string rates = "SELECT T07_TIPO02";
  for (int c = 3; c <= 18; ++c) rates += std::string(c < 10 ? ", T07_TIPO0" : ", T07_TIPO") + std::to_string(c);
  rates += " FROM T07_TIPOS4 WHERE T07_EPIEXT = '1.3' AND T07_MOD = '582' AND T07_EJER || printf('%02d', T07_PER) "
           "<= '201603' ORDER BY T07_EJER DESC, T07_PER DESC LIMIT 1";
  const auto& file = referenceDatabase();
  for (auto _ : state) {
    RawDb raw(file);
    benchmark::DoNotOptimize(raw.queryAll(rates));
    benchmark::DoNotOptimize(raw.queryAll("SELECT TADM_DESC FROM TAUX_ADMCOM"));
  }
}

}  // namespace

BENCHMARK(engineRates)->Name("engine/obtener_tipo_582")->MinTime(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteRates)->Name("sqlite/obtener_tipo_582")->MinTime(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(engineBodies)->Name("engine/cargar_lista_admcom")->MinTime(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteBodies)->Name("sqlite/cargar_lista_admcom")->MinTime(1)->Unit(benchmark::kMicrosecond);

}  // namespace svrZIVE::bench
