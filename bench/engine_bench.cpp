// The engine against raw SQLite on the same file: an INSERT of 113 values, an
// UPDATE of the same row, a point SELECT and a TOP 1 RIGHT JOIN over 100,000
// return headers (on the raw side the LEFT JOIN that gives the same rows),
// and a subquery and a UNION over them. Both sides use the same journal and
// synchronous settings.
// The plain raw side ("sqlite/") prepares each statement from its text, values
// written in; the best one ("sqlite_best/") keeps each statement prepared and
// binds the values.
#include <memory>
#include <string>

#include "bench/bench_common.h"
#include "engine/dao.h"

namespace svrZIVE::bench {
namespace {

constexpr int kHeaders = 100000;
constexpr int kDeclarants = 1000;
constexpr int kLines = 8;
const char* const kStockColumns[] = {"EXINI", "ELAB", "EINTER", "ERESTO", "EIMPOR", "SCONSUM", "SINTER",
                                     "SRESTO", "SEXPOR", "SEXENT", "OPEPRO", "EXFIN", "DIFER", "RECEP"};

std::string detailColumns() {
  std::string cols = "T10_SECDEC";
  for (int i = 1; i <= kLines; ++i)
    for (const char* c : kStockColumns) cols += std::string(",T10_") + c + std::to_string(i);
  return cols;
}

std::string detailInsert(int secdec) {
  std::string sql = "INSERT INTO T10_Tipologia8 (" + detailColumns() + ") VALUES (" + std::to_string(secdec);
  for (int i = 0; i < kLines * 14; ++i) sql += "," + std::to_string(i) + ".5";
  return sql + ")";
}

std::string detailUpdate(int secdec, int round) {
  std::string sql = "UPDATE T10_Tipologia8 SET ";
  int n = 0;
  for (int i = 1; i <= kLines; ++i)
    for (const char* c : kStockColumns) {
      sql += (n ? ", T10_" : "T10_") + std::string(c) + std::to_string(i) + " = " + std::to_string(round + n + 1) + ".25";
      ++n;
    }
  return sql + " WHERE T10_SECDEC = " + std::to_string(secdec);
}

const std::string kCarryForwardJet =
    "Select top 1 T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8"
    " from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on T02_Declaraciones.T02_Secdec = T10_Tipologia8.T10_Secdec "
    " WHERE T02_Declaraciones.T02_CSDE = 517 and T02_Declaraciones.T02_Tipol = 8 and T02_Declaraciones.T02_PERDAD = '1'"
    " and T02_Declaraciones.T02_EJER <= 2016 AND T02_Declaraciones.T02_Secdec < 90000"
    " order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc";

// The same query as a SQLite programmer writes it: the headers LEFT JOIN
// their detail (the same rows), ties of "top 1" kept with a rank.
const std::string kCarryForwardRaw =
    "SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 FROM ("
    " SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8,"
    " RANK() OVER (ORDER BY T02_DECLARACIONES.T02_EJER DESC, T02_DECLARACIONES.T02_PERNUM DESC) AS r"
    " FROM T02_DECLARACIONES LEFT JOIN T10_TIPOLOGIA8 ON T02_DECLARACIONES.T02_SECDEC = T10_TIPOLOGIA8.T10_SECDEC"
    " WHERE T02_DECLARACIONES.T02_CSDE = 517 AND T02_DECLARACIONES.T02_TIPOL = 8 AND T02_DECLARACIONES.T02_PERDAD = '1'"
    " AND T02_DECLARACIONES.T02_EJER <= 2016 AND T02_DECLARACIONES.T02_SECDEC < 90000) WHERE r <= 1";

const std::string kHeaderColumns =
    "T02_SECDEC,T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN,T02_CAE,T02_TTA,"
    "T02_NESTAB,T02_DIRESTAB,T02_ADMCOM";

// Builds the database once: the tables through the engine's Jet DDL, the
// 100,000 headers and their detail rows in one raw transaction.
std::filesystem::path benchDatabase() {
  static std::filesystem::path file = [] {
    auto path = scratchDir() / "engine_bench.mdb";
    std::filesystem::remove(path);
    auto db = engine::DBEngine::forThread().createDatabase(path.string());
    db->execute(
        "CREATE TABLE T02_DECLARACIONES (T02_SECDEC COUNTER, T02_CSDE LONG, T02_EJER LONG, T02_PERDAD TEXT(1),"
        " T02_PERNUM TEXT(2), T02_MODELO TEXT(3), T02_TIPOL BYTE, T02_IMPFIN DOUBLE, T02_CAE TEXT(13),"
        " T02_TTA TEXT(1), T02_NESTAB TEXT(25), T02_DIRESTAB TEXT(50), T02_ADMCOM TEXT(2))");
    std::string ddl = "CREATE TABLE T10_TIPOLOGIA8 (T10_SECDEC DOUBLE NOT NULL";
    for (int i = 1; i <= kLines; ++i)
      for (const char* c : kStockColumns) ddl += std::string(", T10_") + c + std::to_string(i) + " DOUBLE";
    db->execute(ddl + ")");
    db->execute("CREATE INDEX IX_T02_CSDE ON T02_DECLARACIONES (T02_CSDE)");
    db->execute("CREATE INDEX IX_T10_SECDEC ON T10_TIPOLOGIA8 (T10_SECDEC)");
    db->close();

    RawDb raw(path);
    raw.exec("BEGIN");
    raw.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kHeaders) +
        ") INSERT INTO T02_DECLARACIONES (" + kHeaderColumns.substr(11) +
        ") SELECT i % " + std::to_string(kDeclarants) +
        " + 1, 2010 + (i / 7) % 10, '1', printf('%02d', i % 12 + 1), '560', 8, i * 1.5, ' ', ' ', ' ', ' ', ' ' FROM n");
    std::string detailSelect = "SELECT T02_SECDEC";
    for (int i = 0; i < kLines * 14; ++i) detailSelect += ", T02_SECDEC + " + std::to_string(i);
    raw.exec("INSERT INTO T10_TIPOLOGIA8 (" + detailColumns() + ") " + detailSelect +
             " FROM T02_DECLARACIONES WHERE T02_SECDEC % 10 <> 0");
    raw.exec("COMMIT");
    return path;
  }();
  return file;
}

struct EngineSide {
  std::shared_ptr<engine::Database> db = engine::DBEngine::forThread().openDatabase(benchDatabase().string());
  ~EngineSide() { db->close(); }
};

int nextSecdec() {
  static int secdec = kHeaders + 1000000;
  return ++secdec;
}

void engineInsert113(benchmark::State& state) {
  EngineSide e;
  for (auto _ : state) e.db->execute(detailInsert(nextSecdec()));
}
void sqliteInsert113(benchmark::State& state) {
  RawDb raw(benchDatabase());
  for (auto _ : state) raw.exec(detailInsert(nextSecdec()));
}

void engineUpdate113(benchmark::State& state) {
  EngineSide e;
  int round = 0;
  for (auto _ : state) e.db->execute(detailUpdate(4242, ++round));
}
void sqliteUpdate113(benchmark::State& state) {
  RawDb raw(benchDatabase());
  int round = 0;
  for (auto _ : state) raw.exec(detailUpdate(4242, ++round));
}

void enginePointSelect(benchmark::State& state) {
  EngineSide e;
  int k = 0;
  for (auto _ : state) {
    auto rs = e.db->openRecordset("SELECT " + kHeaderColumns + " FROM T02_Declaraciones WHERE T02_SECDEC = " +
                                  std::to_string(++k % kHeaders + 1));
    for (int32_t c = 0; c < 13; ++c) benchmark::DoNotOptimize(rs->value(c));
    rs->close();
  }
}
void sqlitePointSelect(benchmark::State& state) {
  RawDb raw(benchDatabase());
  int k = 0;
  for (auto _ : state)
    raw.queryAll("SELECT " + kHeaderColumns + " FROM T02_DECLARACIONES WHERE T02_SECDEC = " +
                 std::to_string(++k % kHeaders + 1));
}

void engineTopRightJoin(benchmark::State& state) {
  EngineSide e;
  for (auto _ : state) {
    auto rs = e.db->openRecordset(kCarryForwardJet);
    for (; !rs->eof(); rs->moveNext())
      for (int32_t c = 0; c < 8; ++c) benchmark::DoNotOptimize(rs->value(c));
    rs->close();
  }
}
void sqliteTopRightJoin(benchmark::State& state) {
  RawDb raw(benchDatabase());
  for (auto _ : state) benchmark::DoNotOptimize(raw.queryAll(kCarryForwardRaw));
}

// A subquery and a UNION over the 100,000 headers: the Jet statement through
// the engine, every row read, against the same SQL run on SQLite.
const std::string kSubqueryJet =
    "SELECT T02_SECDEC, T02_IMPFIN FROM T02_DECLARACIONES WHERE T02_SECDEC NOT IN (SELECT T10_SECDEC FROM "
    "T10_TIPOLOGIA8) AND T02_EJER >= (SELECT min(T02_EJER) FROM T02_DECLARACIONES)";
const std::string kUnionJet =
    "SELECT T02_CSDE, T02_EJER FROM T02_DECLARACIONES WHERE T02_EJER < 2013 UNION SELECT T02_CSDE, T02_EJER "
    "FROM T02_DECLARACIONES WHERE T02_IMPFIN > 100000 ORDER BY T02_CSDE, T02_EJER";

void engineQuery(benchmark::State& state, const std::string& sql) {
  EngineSide e;
  for (auto _ : state) {
    auto rs = e.db->openRecordset(sql);
    const int32_t columns = rs->fields().count();
    for (; !rs->eof(); rs->moveNext())
      for (int32_t c = 0; c < columns; ++c) benchmark::DoNotOptimize(rs->value(c));
    rs->close();
  }
}
void sqliteQuery(benchmark::State& state, const std::string& sql) {
  RawDb raw(benchDatabase());
  for (auto _ : state) benchmark::DoNotOptimize(raw.queryAll(sql));
}

void engineSubquery(benchmark::State& state) { engineQuery(state, kSubqueryJet); }
void sqliteSubquery(benchmark::State& state) { sqliteQuery(state, kSubqueryJet); }
void engineUnion(benchmark::State& state) { engineQuery(state, kUnionJet); }
void sqliteUnion(benchmark::State& state) { sqliteQuery(state, kUnionJet); }

// --- The best raw program: statements prepared once, values bound -------------------

std::string parameters(int count, int first = 1) {
  std::string out;
  for (int i = 0; i < count; ++i) out += (i ? ",?" : "?") + std::to_string(first + i);
  return out;
}

void bestInsert113(benchmark::State& state) {
  KeptStatements kept(benchDatabase());
  const std::string sql = "INSERT INTO T10_TIPOLOGIA8 (" + detailColumns() + ") VALUES (" + parameters(113) + ")";
  for (auto _ : state) {
    sqlite3_stmt* st = kept.statement(sql);
    sqlite3_bind_int(st, 1, nextSecdec());
    for (int i = 0; i < kLines * 14; ++i) sqlite3_bind_double(st, i + 2, i + 0.5);
    sqlite3_step(st);
  }
}

void bestUpdate113(benchmark::State& state) {
  KeptStatements kept(benchDatabase());
  std::string sql = "UPDATE T10_TIPOLOGIA8 SET ";
  int n = 0;
  for (int i = 1; i <= kLines; ++i)
    for (const char* c : kStockColumns) {
      sql += (n ? ", T10_" : "T10_") + std::string(c) + std::to_string(i) + " = ?" + std::to_string(n + 1);
      ++n;
    }
  sql += " WHERE T10_SECDEC = ?" + std::to_string(n + 1);
  int round = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = kept.statement(sql);
    ++round;
    for (int i = 0; i < n; ++i) sqlite3_bind_double(st, i + 1, round + i + 1.25);
    sqlite3_bind_int(st, n + 1, 4242);
    sqlite3_step(st);
  }
}

void bestPointSelect(benchmark::State& state) {
  KeptStatements kept(benchDatabase());
  const std::string sql = "SELECT " + kHeaderColumns + " FROM T02_DECLARACIONES WHERE T02_SECDEC = ?1";
  int k = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = kept.statement(sql);
    sqlite3_bind_int(st, 1, ++k % kHeaders + 1);
    benchmark::DoNotOptimize(readRows(st));
  }
}

void bestTopRightJoin(benchmark::State& state) {
  KeptStatements kept(benchDatabase());
  for (auto _ : state) benchmark::DoNotOptimize(readRows(kept.statement(kCarryForwardRaw)));
}

}  // namespace

BENCHMARK(bestInsert113)->Name("sqlite_best/insert_113_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(bestUpdate113)->Name("sqlite_best/update_112_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(bestPointSelect)->Name("sqlite_best/point_select")->Unit(benchmark::kMicrosecond);
BENCHMARK(bestTopRightJoin)->Name("sqlite_best/top1_right_join_100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineInsert113)->Name("engine/insert_113_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteInsert113)->Name("sqlite/insert_113_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineUpdate113)->Name("engine/update_112_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteUpdate113)->Name("sqlite/update_112_values")->Unit(benchmark::kMicrosecond);
BENCHMARK(enginePointSelect)->Name("engine/point_select")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqlitePointSelect)->Name("sqlite/point_select")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineTopRightJoin)->Name("engine/top1_right_join_100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteTopRightJoin)->Name("sqlite/top1_right_join_100k")->Unit(benchmark::kMicrosecond);
BENCHMARK(engineSubquery)->Name("engine/subquery_100k")->Unit(benchmark::kMillisecond);
BENCHMARK(sqliteSubquery)->Name("sqlite/subquery_100k")->Unit(benchmark::kMillisecond);
BENCHMARK(engineUnion)->Name("engine/union_100k")->Unit(benchmark::kMillisecond);
BENCHMARK(sqliteUnion)->Name("sqlite/union_100k")->Unit(benchmark::kMillisecond);

}  // namespace svrZIVE::bench
