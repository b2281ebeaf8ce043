// What one operation costs as the database grows: 10,000 and 100,000 stored
// typology-8 returns (and 1,000,000 when ZIVE_BENCH_MILLION=1; that file
// takes about 260 MB and a quarter of an hour to make on a busy machine), 100 returns per declarant,
// each with its detail row. The databases are made as `zive init` makes them,
// so they carry the engine's access paths; every raw side works on the same
// file and so has the same indexes.
//   cargar_declaracion_<N>    CargarDeclaracion of typology 8: one detail row
//   cargar_exis_finales_<N>   CargarExisFinales: the carry-forward query
//   obtener_declaraciones_<N> ObtenerDeclaraciones of one declarant (100 rows)
//   numero_declaraciones_<N>  NumeroDeclaraciones of one declarant
// Each service operation opens the database, works and closes it. The plain
// raw side ("sqlite/") does the same with each statement prepared from its
// text; the best raw side ("sqlite_best/") keeps one connection and its
// statements prepared, and binds the values; the best raw side that opens
// the database for every operation, as the system does ("sqlite_open_best/"),
// binds the values to a statement prepared with a query plan to keep.
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>
#include <map>
#include <string>

#include "bench/bench_common.h"
#include "bench/initialised_database.h"
#include "declarations/cZIVEDeclaraciones.h"
#include "forms/form_layout.h"
#include "forms/stock/cZIVETipologia8.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {
namespace {

constexpr int kPerDeclarant = 100;
constexpr int32_t kYear = 2030;  // later than every stored return

const std::filesystem::path& database(int returns) {
  static std::map<int, std::filesystem::path> files;
  if (auto it = files.find(returns); it != files.end()) return it->second;
  auto file = initialised("scale_" + std::to_string(returns));
  RawDb raw(file);
  raw.exec("BEGIN");
  insertHeaders(raw, returns, returns / kPerDeclarant, "'570'", "8", "0");
  // The other 105 columns take their default, 0.
  std::string exfin, values;
  for (int s = 1; s <= 8; ++s) {
    exfin += ", T10_EXFIN" + std::to_string(s);
    values += ", T02_SECDEC + " + std::to_string(s) + ".5";
  }
  raw.exec("INSERT INTO T10_TIPOLOGIA8 (T10_SECDEC" + exfin + ") SELECT T02_SECDEC" + values +
           " FROM T02_DECLARACIONES");
  raw.exec("COMMIT");
  return files.emplace(returns, file).first->second;
}

int32_t declarants(int returns) { return returns / kPerDeclarant; }
// The i-th declaration or declarant of a run, spread over the whole file.
int32_t secdecOf(int64_t i, int returns) { return static_cast<int32_t>(i * 7919 % returns + 1); }
int32_t declarantOf(int64_t i, int returns) { return static_cast<int32_t>(i * 7919 % declarants(returns) + 1); }

// --- The statements of the raw sides --------------------------------------------------

std::string loadSql() {
  std::string columns;
  for (const auto& c : forms::layoutTipologia8().columns) columns += (columns.empty() ? "" : ",") + c.name;
  return "SELECT " + columns + " FROM T10_TIPOLOGIA8 WHERE T10_SECDEC = ";
}

// The carry forward as a SQLite programmer writes it: the headers LEFT JOIN
// their detail, the ties of "top 1" kept with a rank.
std::string carrySql(const std::string& csde, const std::string& secdec) {
  return "SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 FROM ("
         " SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8,"
         " RANK() OVER (ORDER BY T02_EJER DESC, T02_PERNUM DESC) AS r"
         " FROM T02_DECLARACIONES LEFT JOIN T10_TIPOLOGIA8 ON T02_SECDEC = T10_SECDEC"
         " WHERE T02_CSDE = " + csde + " AND T02_TIPOL = 8 AND T02_PERDAD = '1' AND T02_EJER <= " +
         std::to_string(kYear) + " AND T02_SECDEC < " + secdec + ") WHERE r <= 1";
}

const std::string kListSql =
    "SELECT T02_SECDEC,T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,T02_CAE,T02_TTA,"
    "T02_NESTAB,T02_DIRESTAB,T02_ADMCOM FROM T02_DECLARACIONES WHERE T02_CSDE = ?1"
    " ORDER BY T02_MODELO, T02_EJER, T02_PERDAD, T02_PERNUM, T02_SECDEC";
const std::string kCountSql = "SELECT count(*) FROM T02_DECLARACIONES WHERE T02_CSDE = ?1";

// One case: the service call for declaration or declarant number `k`, and
// its raw query, where ?1 stands for `k` and ?2 for the declaration number
// the carry forward looks below.
struct Case {
  std::function<void(int32_t k, int32_t below)> service;
  std::string sql;
  bool byDeclarant;
};

// The raw query with its values written in, as the plain program has it.
std::string written(std::string sql, int32_t k, int32_t below) {
  for (auto [mark, value] : {std::pair<const char*, int32_t>{"?1", k}, {"?2", below}}) {
    if (auto at = sql.find(mark); at != std::string::npos) sql.replace(at, 2, std::to_string(value));
  }
  return sql;
}

const Case& caseOf(const std::string& name) {
  static const std::map<std::string, Case> cases = {
      {"cargar_declaracion",
       {[](int32_t k, int32_t) { benchmark::DoNotOptimize(cZIVETipologia8().CargarDeclaracion(k)); },
        loadSql() + "?1", false}},
      {"cargar_exis_finales",
       {[](int32_t k, int32_t below) {
          benchmark::DoNotOptimize(cZIVETipologia8().CargarExisFinales(kYear, "1", below, k));
        },
        carrySql("?1", "?2"), true}},
      {"obtener_declaraciones",
       {[](int32_t k, int32_t) { benchmark::DoNotOptimize(cZIVEDeclaraciones().ObtenerDeclaraciones(k)); },
        kListSql, true}},
      {"numero_declaraciones",
       {[](int32_t k, int32_t) { benchmark::DoNotOptimize(cZIVEDeclaraciones().NumeroDeclaraciones(k)); },
        kCountSql, true}},
  };
  return cases.at(name);
}

int32_t numberFor(const Case& c, int64_t i, int returns) {
  return c.byDeclarant ? declarantOf(i, returns) : secdecOf(i, returns);
}

void engineSide(benchmark::State& state, const std::string& name, int returns) {
  const Case& c = caseOf(name);
  cZIVEDeclaraciones paths;
  paths.mdbmod(database(returns).string());
  int64_t i = 0;
  for (auto _ : state) c.service(numberFor(c, ++i, returns), returns + 1);
  ZIVEGeneral::endThreadState();
}

void plainSide(benchmark::State& state, const std::string& name, int returns) {
  const Case& c = caseOf(name);
  const auto& file = database(returns);
  int64_t i = 0;
  for (auto _ : state) {
    RawDb raw(file);
    benchmark::DoNotOptimize(raw.queryAll(written(c.sql, numberFor(c, ++i, returns), returns + 1)));
  }
}

// The case's query through a statement `kept` keeps, its values bound.
void runKept(KeptStatements& kept, const Case& c, int32_t k, int returns) {
  sqlite3_stmt* st = kept.statement(c.sql);
  sqlite3_bind_int(st, 1, k);
  if (sqlite3_bind_parameter_count(st) > 1) sqlite3_bind_int(st, 2, returns + 1);
  benchmark::DoNotOptimize(readRows(st));
}

void bestSide(benchmark::State& state, const std::string& name, int returns) {
  const Case& c = caseOf(name);
  KeptStatements kept(database(returns));
  int64_t i = 0;
  for (auto _ : state) runKept(kept, c, numberFor(c, ++i, returns), returns);
}

void openBestSide(benchmark::State& state, const std::string& name, int returns) {
  const Case& c = caseOf(name);
  int64_t i = 0;
  for (auto _ : state) {
    KeptStatements kept(database(returns));
    runKept(kept, c, numberFor(c, ++i, returns), returns);
  }
}

const bool kRegistered = [] {
  std::vector<int> sizes = {10000, 100000};
  if (const char* million = std::getenv("ZIVE_BENCH_MILLION"); million && std::string(million) == "1")
    sizes.push_back(1000000);
  for (const char* name : {"cargar_declaracion", "cargar_exis_finales", "obtener_declaraciones", "numero_declaraciones"}) {
    for (int n : sizes) {
      const std::string suffix = std::string(name) + "_" + std::to_string(n);
      benchmark::RegisterBenchmark(("engine/" + suffix).c_str(), engineSide, std::string(name), n)
          ->MinTime(1)->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("sqlite/" + suffix).c_str(), plainSide, std::string(name), n)
          ->MinTime(1)->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("sqlite_best/" + suffix).c_str(), bestSide, std::string(name), n)
          ->MinTime(1)->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("sqlite_open_best/" + suffix).c_str(), openBestSide, std::string(name), n)
          ->MinTime(1)->Unit(benchmark::kMicrosecond);
    }
  }
  return true;
}();

}  // namespace
}  // namespace svrZIVE::bench
