// Declarants and declarations on a PostgreSQL server (ZIVE_BENCH_PG, a
// libpq connection string; scripts/pg_cluster.sh starts a throwaway one)
// through the services, against raw libpq doing the same connections and
// statements in the same run:
//   server_guardar_cargar_declarante   GuardarDeclarante + CargarDeclarante
//   server_guardar_obtener_declaracion GuardarDeclaracion + ObtenerDeclaraciones
//   server_guardar_actualizar_cargar_t8 typology 8 (113 columns): GuardarDeclaracion
//                                      updating a detail row + CargarDeclaracion
//   server_cargar_exis_finales_100k    typology 8's carry forward over 100,000
//                                      headers (CargarExisFinales), against the
//                                      same query in plain SQL
//   server_rate_lookup                 the effective-rate query of the rate
//                                      forms (year & Format(period, '00')
//                                      against a period) over 360 periods,
//                                      through the functions of ours, against
//                                      the same query in PostgreSQL's own SQL
//   server_concurrent_saves            8 processes saving declarants at once
//                                      (items: saves; fails unless every
//                                      number is distinct and the process's own)
// The database is made as `zive init --server` makes it, in a schema of its own.
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/declaration_rows.h"
#include "bench/form_rows.h"
#include "bench/initialised_database.h"
#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "engine/dao.h"
#include "engine/link_file.h"
#include "forms/stock/cZIVETipologia8.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {
namespace {

const char* server() { return std::getenv("ZIVE_BENCH_PG"); }

class Pg {
 public:
  explicit Pg(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
  }
  ~Pg() { PQfinish(conn_); }
  Pg(const Pg&) = delete;
  Pg& operator=(const Pg&) = delete;
  // Runs `sql`; the first column of the first row, every row read.
  // The names of the layout's tables and fields, written as the system
  // writes them, quoted (the server keeps the letter case of quoted names).
  std::string exec(const std::string& text) {
    static const std::regex kName("\\b(T[0-9][0-9]_[A-Za-z0-9_]+)\\b");
    const std::string sql = std::regex_replace(text, kName, "\"$1\"");
    PGresult* r = PQexec(conn_, sql.c_str());
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) {
      std::string error = PQresultErrorMessage(r);
      PQclear(r);
      throw std::runtime_error(error + " in: " + sql.substr(0, 200));
    }
    std::string first;
    for (int row = 0; row < PQntuples(r); ++row)
      for (int c = 0; c < PQnfields(r); ++c)
        if (row == 0 && c == 0) first = PQgetvalue(r, row, c);
        else benchmark::DoNotOptimize(PQgetvalue(r, row, c));
    PQclear(r);
    return first;
  }

 private:
  PGconn* conn_;
};

// The link file of the benchmarks' database and its connection string.
struct ServerDatabase {
  std::filesystem::path link;
  std::string conninfo;
};

const ServerDatabase& serverDatabase() {
  static const ServerDatabase db = [] {
    const std::string schema = "zive_bench";
    Pg(server()).exec("DROP SCHEMA IF EXISTS " + schema + " CASCADE; CREATE SCHEMA " + schema);
    auto dir = scratchDir() / "server";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ServerDatabase made{dir / "ZIVEMOD.MDB", engine::withConnectionSetting(server(), "options", "-c search_path=" + schema)};
    engine::writeLinkFile(made.link.string(), made.conninfo);
    {
      auto db = engine::DBEngine::forThread().createDatabase(made.link.string());
      upgrade::createBaseLayout(*db);
      db->close();
    }
    ScopedMessageCallback quiet([](const std::string&, int) {});
    cZIVETraspaso traspaso;
    traspaso.mdbmod(made.link.string());
    traspaso.mdbPath(dir.string() + "/");
    traspaso.Traspaso();
    return made;
  }();
  return db;
}

bool skipWithoutServer(benchmark::State& state) {
  if (server()) return false;
  state.SkipWithError("ZIVE_BENCH_PG is not set (scripts/pg_cluster.sh start DIR prints a connection string)");
  return true;
}

// What a save does on the server: the write lock, the insert, the maximum.
const std::string kWriteLock = "BEGIN; SELECT pg_advisory_xact_lock(1514755653)";

void engineDeclarantCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  runDeclarantCycle(state, serverDatabase().link.string());
}

void libpqDeclarantCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const std::string conninfo = serverDatabase().conninfo;
  int i = 0;
  for (auto _ : state) {
    std::string csde;
    {
      Pg pg(conninfo);
      pg.exec(kWriteLock);
      pg.exec(rawDeclarantInsert(++i));
      csde = pg.exec("SELECT max(T01_CSDE) FROM T01_DECLARANTES");
      pg.exec("COMMIT");
    }
    Pg pg(conninfo);
    pg.exec("SELECT * FROM T01_DECLARANTES WHERE T01_CSDE = " + csde);
  }
}

void engineDeclarationCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  runDeclarationCycle(state, serverDatabase().link.string());
}

void libpqDeclarationCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const std::string conninfo = serverDatabase().conninfo;
  int32_t csde = 2000000;
  for (auto _ : state) {
    ++csde;
    {
      Pg pg(conninfo);
      pg.exec(kWriteLock);
      pg.exec(rawDeclarationInsert(csde));
      benchmark::DoNotOptimize(pg.exec("SELECT MAX(T02_SECDEC) FROM T02_DECLARACIONES"));
      pg.exec("COMMIT");
    }
    Pg pg(conninfo);
    pg.exec("SELECT T02_SECDEC,T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,T02_CAE,"
            "T02_TTA,T02_NESTAB,T02_DIRESTAB,T02_ADMCOM FROM T02_DECLARACIONES WHERE T02_CSDE = " +
            std::to_string(csde) + " ORDER BY T02_MODELO,T02_EJER,T02_PERDAD,T02_PERNUM,T02_SECDEC");
  }
}

// kFormRows headers of typology 8 with their detail rows on the server, for
// the form's save cycle; their numbers.
constexpr int kFormRows = 1000;

// The detail table's name as the upgrade created it on the server.
std::string formTable() {
  std::string name = tableOf(kT8);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

const std::vector<int32_t>& formRows() {
  static const std::vector<int32_t> numbers = [] {
    Pg pg(serverDatabase().conninfo);
    pg.exec("INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,"
            "T02_CAE,T02_TTA,T02_NESTAB,T02_DIRESTAB,T02_ADMCOM) SELECT 3000000 + i % 100, 2000 + i % 20, '1', "
            "lpad((i % 12 + 1)::text, 2, '0'), '570', 8, 0, ' ', ' ', ' ', ' ', ' ' FROM generate_series(1, " +
            std::to_string(kFormRows) + ") i");
    pg.exec(detailInsert(kT8, formTable(), "T02_TIPOL = 8 AND T02_CSDE < 4000000"));
    std::vector<int32_t> out;
    const int32_t first = std::stoi(pg.exec("SELECT min(T02_SECDEC) FROM T02_DECLARACIONES WHERE T02_TIPOL = 8"));
    for (int i = 0; i < kFormRows; ++i) out.push_back(first + i);
    return out;
  }();
  return numbers;
}

void engineFormCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const auto& numbers = formRows();
  cZIVETipologia8 service;
  service.mdbmod(serverDatabase().link.string());
  int round = 0;
  for (auto _ : state) {
    const int32_t secdec = numbers[round % kFormRows];
    Variant b = buffer(kT8, secdec, ++round);
    service.GuardarDeclaracion(b, Variant(false));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
}

// The value as a literal of the server's SQL.
std::string literal(const Variant& v) {
  return v.isString() ? "'" + v.asString() + "'" : std::to_string(v.toDouble());
}

void libpqFormCycle(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const auto& numbers = formRows();
  const std::string conninfo = serverDatabase().conninfo;
  int round = 100000;  // rounds of its own: a row rewritten with its own values costs less
  for (auto _ : state) {
    const int32_t secdec = numbers[(round - 100000) % kFormRows];
    ++round;
    {
      std::string update = "UPDATE " + formTable() + " SET ";
      for (int i = 1; i < columnCount(kT8); ++i)
        update += (i > 1 ? "," : "") + kT8.layout().columns[i].name + " = " + literal(element(kT8, secdec, i, round));
      Pg pg(conninfo);
      pg.exec(update + " WHERE " + keyOf(kT8) + " = " + std::to_string(secdec));
    }
    Pg pg(conninfo);
    pg.exec("SELECT " + columnList(kT8) + " FROM " + formTable() + " WHERE " + keyOf(kT8) + " = " +
            std::to_string(secdec));
  }
}

// The carry forward of typology 8 (CargarExisFinales: the last return of a
// declarant before a period, a RIGHT JOIN with TOP 1) over kCarryHeaders
// headers of kCarryDeclarants declarants, every tenth without its detail row.
constexpr int kCarryHeaders = 100000, kCarryDeclarants = 1000, kCarryFirstDeclarant = 4000000;

void carryRows() {
  static const bool made = [] {
    Pg pg(serverDatabase().conninfo);
    pg.exec("INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,"
            "T02_CAE,T02_TTA,T02_NESTAB,T02_DIRESTAB,T02_ADMCOM) SELECT " + std::to_string(kCarryFirstDeclarant) +
            " + i % " + std::to_string(kCarryDeclarants) + ", 2000 + (i / 12) % 20, '1', lpad((i % 12 + 1)::text, 2, "
            "'0'), '570', 8, 0, ' ', ' ', ' ', ' ', ' ' FROM generate_series(1, " + std::to_string(kCarryHeaders) + ") i");
    pg.exec(detailInsert(kT8, formTable(), "T02_CSDE >= " + std::to_string(kCarryFirstDeclarant) +
                                                " AND T02_SECDEC % 10 <> 0"));
    pg.exec("ANALYZE");
    return true;
  }();
  benchmark::DoNotOptimize(made);
}

constexpr int32_t kCarryYear = 2016, kCarrySecdecLimit = 2000000000;

void engineCarry(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  carryRows();
  cZIVETipologia8 service;
  service.mdbmod(serverDatabase().link.string());
  int32_t k = 0;
  for (auto _ : state) {
    Variant t = service.CargarExisFinales(Variant(kCarryYear), "1", kCarrySecdecLimit,
                                          kCarryFirstDeclarant + k++ % kCarryDeclarants);
    benchmark::DoNotOptimize(t);
  }
  ZIVEGeneral::endThreadState();
}

void libpqCarry(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  carryRows();
  std::string sql = std::regex_replace(rawCarry(kT8), std::regex("\\b" + tableOf(kT8) + "\\b"), formTable());
  sql = std::regex_replace(sql, std::regex("\\?2"), "'1'");
  sql = std::regex_replace(sql, std::regex("\\?3"), std::to_string(kCarryYear));
  sql = std::regex_replace(sql, std::regex("\\?4"), std::to_string(kCarrySecdecLimit));
  const std::string conninfo = serverDatabase().conninfo;
  int32_t k = 0;
  for (auto _ : state) {
    Pg pg(conninfo);
    pg.exec(std::regex_replace(sql, std::regex("\\?1"), std::to_string(kCarryFirstDeclarant + k++ % kCarryDeclarants)));
  }
}

// A rate table of 30 years of monthly periods, made once.
const std::string& rateTable() {
  static const std::string table = [] {
    auto db = engine::DBEngine::forThread().openDatabase(serverDatabase().link.string());
    db->execute("CREATE TABLE BENCH_RATES (EJER LONG, PER LONG, TIPO DOUBLE)");
    for (int year = 1990; year < 2020; ++year)
      for (int period = 1; period <= 12; ++period)
        db->execute("INSERT INTO BENCH_RATES VALUES (" + std::to_string(year) + ", " + std::to_string(period) + ", " +
                    std::to_string(year * 100 + period) + ")");
    db->close();
    return std::string("BENCH_RATES");
  }();
  return table;
}

void engineRateLookup(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const std::string table = rateTable();
  auto db = engine::DBEngine::forThread().openDatabase(serverDatabase().link.string());
  for (auto _ : state) {
    auto rs = db->openRecordset("SELECT TOP 1 TIPO FROM " + table +
                                " WHERE EJER & Format(PER, '00') <= 201406 ORDER BY EJER DESC, PER DESC");
    benchmark::DoNotOptimize(rs->value(0));
  }
}

void libpqRateLookup(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  const std::string table = rateTable();
  Pg pg(serverDatabase().conninfo);
  for (auto _ : state)
    benchmark::DoNotOptimize(pg.exec("SELECT \"TIPO\" FROM \"" + table + "\" WHERE (\"EJER\"::text || to_char(\"PER\", "
                                     "'FM00'))::numeric <= 201406 ORDER BY \"EJER\" DESC, \"PER\" DESC LIMIT 1"));
}

// Eight processes saving declarants at once through the service; each checks
// that every number it got back is its own row's.
void engineConcurrentSaves(benchmark::State& state) {
  if (skipWithoutServer(state)) return;
  constexpr int kProcesses = 8, kSaves = 25;
  const std::string link = serverDatabase().link.string();
  const std::string conninfo = serverDatabase().conninfo;
  int round = 0;
  for (auto _ : state) {
    ++round;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      pid_t pid = fork();
      if (pid == 0) {
        int wrong = 0;
        try {
          cZIVEDeclarante service;
          service.mdbmod(link);
          Pg check(conninfo);
          for (int i = 0; i < kSaves; ++i) {
            const int key = 50000000 + (round * kProcesses + p) * kSaves + i;
            Variant buffer = declarantBuffer(key);
            const int32_t csde = service.GuardarDeclarante(buffer);
            wrong += check.exec("SELECT T01_NIF FROM T01_DECLARANTES WHERE T01_CSDE = " + std::to_string(csde)) ==
                             "B" + std::to_string(10000000 + key % 90000000)
                         ? 0
                         : 1;
          }
        } catch (...) {
          wrong = 100;
        }
        _exit(wrong);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      waitpid(pid, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("a save got another row's number");
    }
  }
  state.SetItemsProcessed(state.iterations() * kProcesses * kSaves);
}

}  // namespace

BENCHMARK(engineDeclarantCycle)->Name("engine/server_guardar_cargar_declarante")->Unit(benchmark::kMicrosecond);
BENCHMARK(libpqDeclarantCycle)->Name("libpq/server_guardar_cargar_declarante")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineDeclarationCycle)->Name("engine/server_guardar_obtener_declaracion")->Unit(benchmark::kMicrosecond);
BENCHMARK(libpqDeclarationCycle)->Name("libpq/server_guardar_obtener_declaracion")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineFormCycle)->Name("engine/server_guardar_actualizar_cargar_t8")->Unit(benchmark::kMicrosecond);
BENCHMARK(libpqFormCycle)->Name("libpq/server_guardar_actualizar_cargar_t8")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineCarry)->Name("engine/server_cargar_exis_finales_100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(libpqCarry)->Name("libpq/server_cargar_exis_finales_100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineRateLookup)->Name("engine/server_rate_lookup")->Unit(benchmark::kMicrosecond);
BENCHMARK(libpqRateLookup)->Name("libpq/server_rate_lookup")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineConcurrentSaves)->Name("server_concurrent_saves")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace svrZIVE::bench
