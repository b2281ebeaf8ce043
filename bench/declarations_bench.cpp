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

Variant declarantBuffer(int i) {
  VariantArray b = VariantArray::vector(0, 15);
  b[1] = Variant("B" + std::to_string(10000000 + i % 90000000));
  b[2] = Variant("DESTILERIAS DEMO SA");
  b[3] = Variant("CL");
  b[4] = Variant("MAYOR");
  b[5] = Variant(int32_t{12});
  for (int32_t k : {6, 7, 8, 9}) b[k] = Variant("");
  b[10] = Variant(uint8_t{20});
  b[11] = Variant(int32_t{20001});
  b[12] = Variant(int16_t{69});
  b[13] = Variant("DONOSTIA");
  b[14] = Variant(int16_t{943});
  b[15] = Variant(int32_t{123456});
  return Variant(std::move(b));
}

std::string rawDeclarantInsert(int i) {
  return "INSERT INTO T01_DECLARANTES (T01_NIF,T01_NOMB,T01_SIGLDOM,T01_NOMDOM,T01_NUMDOM,T01_LETDOM,"
         "T01_ESCDOM,T01_PISDOM,T01_MANDOM,T01_PRODOM,T01_CPODOM,T01_MUNDOM,T01_NMUDOM,T01_PRETEL,T01_NUMTEL)"
         " VALUES ('B" + std::to_string(10000000 + i % 90000000) +
         "','DESTILERIAS DEMO SA','CL','MAYOR',12,'','','','',20,20001,69,'DONOSTIA',943,123456)";
}

// --- Declarant save and load ---------------------------------------------------

void engineDeclarantCycle(benchmark::State& state) {
  cZIVEDeclarante service;
  service.mdbmod(cycleDatabase().string());
  int i = 0;
  for (auto _ : state) {
    Variant buffer = declarantBuffer(++i);
    int32_t csde = service.GuardarDeclarante(buffer);
    Variant loaded;
    service.CargarDeclarante(csde, loaded);
    benchmark::DoNotOptimize(loaded);
  }
  ZIVEGeneral::endThreadState();
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

Variant declarationBuffer(int32_t csde) {
  VariantArray b = VariantArray::vector(0, 12);
  b[1] = Variant(csde);
  b[2] = Variant(int32_t{2016});
  b[3] = Variant(uint8_t{1});
  b[4] = Variant(uint8_t{3});
  b[5] = Variant("560");
  b[6] = Variant(uint8_t{1});
  b[7] = Variant(1234.5);
  for (int32_t k = 8; k <= 12; ++k) b[k] = Variant("");
  return Variant(std::move(b));
}

const std::string kRawList =
    "SELECT T02_SECDEC,T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,T02_CAE,T02_TTA,"
    "T02_NESTAB,T02_DIRESTAB,T02_ADMCOM FROM T02_DECLARACIONES WHERE T02_CSDE = ";
const std::string kRawListOrder = " ORDER BY T02_MODELO,T02_EJER,T02_PERDAD,T02_PERNUM,T02_SECDEC";

void engineDeclarationCycle(benchmark::State& state) {
  cZIVEDeclaraciones service;
  service.mdbmod(cycleDatabase().string());
  int32_t csde = 1000000;
  for (auto _ : state) {
    Variant buffer = declarationBuffer(++csde);
    benchmark::DoNotOptimize(service.GuardarDeclaracion(buffer));
    Variant list = service.ObtenerDeclaraciones(csde);
    benchmark::DoNotOptimize(list);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteDeclarationCycle(benchmark::State& state) {
  int32_t csde = 2000000;
  for (auto _ : state) {
    ++csde;
    {
      RawDb raw(cycleDatabase());
      raw.exec("BEGIN IMMEDIATE");
      raw.exec("INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,"
               "T02_IMPFIN,T02_CAE,T02_TTA,T02_NESTAB,T02_DIRESTAB,T02_ADMCOM) VALUES (" +
               std::to_string(csde) + ",2016,'1','03','560',1,1234.5,' ',' ',' ',' ',' ')");
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
