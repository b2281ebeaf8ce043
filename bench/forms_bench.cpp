// Typology 8 (T10_Tipologia8, 113 columns) through its service against the
// raw SQLite C API doing the same work on the same file in the same run. Each
// service operation opens the modifiable database, runs its statements and
// closes it, so the raw side opens and closes a connection (with the engine's
// journal and synchronous settings) for each operation too, and prepares its
// statements through the C API with the values bound:
//   guardar_insertar_cargar_t8   GuardarDeclaracion inserting a new detail
//                                row + CargarDeclaracion of it
//   guardar_actualizar_cargar_t8 GuardarDeclaracion updating an existing row
//                                + CargarDeclaracion of it
//   cargar_exis_finales_100k     CargarExisFinales of one declarant over
//                                100,000 typology-8 headers, 90,000 of them
//                                with their detail row
// The databases are made as `zive init` makes them (first layout, upgrade):
// T10_Tipologia8 has no index, as the upgrade leaves it, so a load reads the
// detail table through and the carry forward's join has SQLite build an
// automatic index on T10_SECDEC for each query, on both sides. The save cycles run a fixed number of iterations on a
// database of 1,000 detail rows and remove the rows they added afterwards, so
// that both sides see tables of the same size.
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/initialised_database.h"
#include "engine/dao.h"
#include "forms/form_layout.h"
#include "forms/stock/cZIVETipologia8.h"
#include "base/variant.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {
namespace {

constexpr int kCycleRows = 1000;
constexpr int kCycleIterations = 300;
constexpr int kHeaders = 100000;
constexpr int kDeclarants = 1000;
constexpr int kColumns = 113;

// The 113 column names in the form's order (key first).
const std::vector<std::string>& columnNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const auto& c : forms::layoutTipologia8().columns) out.push_back(c.name);
    return out;
  }();
  return names;
}

std::string columnList() {
  std::string out;
  for (const auto& n : columnNames()) out += (out.empty() ? "" : ",") + n;
  return out;
}

// Detail rows written raw: the key, then `key + i` in column i.
void fillDetail(RawDb& raw, const std::string& headerFilter) {
  std::string select = "SELECT T02_SECDEC";
  for (int i = 1; i < kColumns; ++i) select += ", T02_SECDEC + " + std::to_string(i) + ".5";
  raw.exec("INSERT INTO T10_TIPOLOGIA8 (" + columnList() + ") " + select + " FROM T02_DECLARACIONES WHERE " +
           headerFilter);
}

// `count` typology-8 headers over kDeclarants declarants, written raw.
void fillHeaders(RawDb& raw, int count) {
  raw.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
           ") INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, T02_TIPOL,"
           " T02_IMPFIN, T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM)"
           " SELECT i % " + std::to_string(kDeclarants) + " + 1, 2000 + (i / 12) % 20, '1',"
           " printf('%02d', i % 12 + 1), '570', 8, 0, ' ', ' ', ' ', ' ', ' ' FROM n");
}

// An init-made database with `headers` typology-8 headers, and the detail
// rows of those that meet `withDetail`.
std::filesystem::path filled(const std::string& name, int headers, const std::string& withDetail) {
  auto f = initialised(name);
  RawDb raw(f);
  raw.exec("BEGIN");
  fillHeaders(raw, headers);
  fillDetail(raw, withDetail);
  raw.exec("COMMIT");
  return f;
}

// The database of the save cycles: kCycleRows headers with their detail.
const std::filesystem::path& cycleDatabase() {
  static const std::filesystem::path file = filled("forms_cycle", kCycleRows, "1");
  return file;
}

// The carry-forward database: kHeaders headers, every tenth without detail.
const std::filesystem::path& carryDatabase() {
  static const std::filesystem::path file = filled("forms_100k", kHeaders, "T02_SECDEC % 10 <> 0");
  return file;
}

// Element i of the buffer of `secdec` in round `round`.
double element(int32_t secdec, int i, int round) { return secdec * 1000.0 + i + round * 0.25; }

Variant buffer(int32_t secdec, int round) {
  VariantArray b = VariantArray::vector(0, kColumns - 1);
  b[0] = Variant(secdec);
  for (int32_t i = 1; i < kColumns; ++i) b[i] = Variant(element(secdec, i, round));
  return Variant(std::move(b));
}

// Removes the detail rows a cycle added (not timed).
void removeFrom(int32_t firstSecdec) {
  RawDb raw(cycleDatabase());
  raw.exec("DELETE FROM T10_TIPOLOGIA8 WHERE T10_SECDEC >= " + std::to_string(firstSecdec));
}

// --- The raw side --------------------------------------------------------------

class RawStatement {
 public:
  RawStatement(RawDb& db, const std::string& sql) {
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db.handle())) + " in: " + sql.substr(0, 200));
  }
  ~RawStatement() { sqlite3_finalize(st_); }
  RawStatement(const RawStatement&) = delete;
  RawStatement& operator=(const RawStatement&) = delete;
  sqlite3_stmt* get() const { return st_; }
  void done() {
    int rc = sqlite3_step(st_);
    if (rc != SQLITE_DONE) throw std::runtime_error(std::string("step: ") + sqlite3_errstr(rc));
  }
  // Steps through every row reading every column; returns the rows.
  int readAll() {
    int rows = 0;
    while (sqlite3_step(st_) == SQLITE_ROW) {
      ++rows;
      for (int c = 0, n = sqlite3_column_count(st_); c < n; ++c) {
        switch (sqlite3_column_type(st_, c)) {
          case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(st_, c)); break;
          case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(st_, c)); break;
          case SQLITE_TEXT: benchmark::DoNotOptimize(sqlite3_column_text(st_, c)); break;
          default: break;
        }
      }
    }
    return rows;
  }

 private:
  sqlite3_stmt* st_ = nullptr;
};

const std::string& rawInsert() {
  static const std::string sql = [] {
    std::string s = "INSERT INTO T10_TIPOLOGIA8 (" + columnList() + ") VALUES (?1";
    for (int i = 2; i <= kColumns; ++i) s += ",?" + std::to_string(i);
    return s + ")";
  }();
  return sql;
}

const std::string& rawUpdate() {
  static const std::string sql = [] {
    std::string s = "UPDATE T10_TIPOLOGIA8 SET ";
    for (int i = 1; i < kColumns; ++i) s += (i > 1 ? "," : "") + columnNames()[i] + " = ?" + std::to_string(i);
    return s + " WHERE T10_SECDEC = ?" + std::to_string(kColumns);
  }();
  return sql;
}

const std::string& rawLoad() {
  static const std::string sql = "SELECT " + columnList() + " FROM T10_TIPOLOGIA8 WHERE T10_SECDEC = ?1";
  return sql;
}

void rawSave(const std::filesystem::path& file, int32_t secdec, int round, bool insert) {
  RawDb raw(file);
  RawStatement st(raw, insert ? rawInsert() : rawUpdate());
  for (int i = 1; i < kColumns; ++i) sqlite3_bind_double(st.get(), insert ? i + 1 : i, element(secdec, i, round));
  sqlite3_bind_int(st.get(), insert ? 1 : kColumns, secdec);
  st.done();
}

void rawLoadRow(const std::filesystem::path& file, int32_t secdec) {
  RawDb raw(file);
  RawStatement st(raw, rawLoad());
  sqlite3_bind_int(st.get(), 1, secdec);
  benchmark::DoNotOptimize(st.readAll());
}

// --- Save and load ---------------------------------------------------------------

constexpr int32_t kEngineFirst = 2000000;
constexpr int32_t kRawFirst = 3000000;

void engineInsertLoad(benchmark::State& state) {
  cZIVETipologia8 service;
  service.mdbmod(cycleDatabase().string());
  int32_t secdec = kEngineFirst;
  for (auto _ : state) {
    Variant b = buffer(++secdec, 0);
    service.GuardarDeclaracion(b, Variant(true));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
  removeFrom(kEngineFirst);
}

void sqliteInsertLoad(benchmark::State& state) {
  const auto& file = cycleDatabase();
  int32_t secdec = kRawFirst;
  for (auto _ : state) {
    rawSave(file, ++secdec, 0, true);
    rawLoadRow(file, secdec);
  }
  removeFrom(kRawFirst);
}

void engineUpdateLoad(benchmark::State& state) {
  cZIVETipologia8 service;
  service.mdbmod(cycleDatabase().string());
  int round = 0;
  for (auto _ : state) {
    int32_t secdec = round % kCycleRows + 1;
    Variant b = buffer(secdec, ++round);
    service.GuardarDeclaracion(b, Variant(false));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteUpdateLoad(benchmark::State& state) {
  const auto& file = cycleDatabase();
  // Rounds of its own: a row rewritten with the values it holds already
  // leaves its page clean, and SQLite then has nothing to write.
  int round = 100000;
  for (auto _ : state) {
    int32_t secdec = (round - 100000) % kCycleRows + 1;
    rawSave(file, secdec, ++round, false);
    rawLoadRow(file, secdec);
  }
}

// --- Carry forward ---------------------------------------------------------------

// The carry-forward query as a SQLite programmer writes it: the headers LEFT
// JOIN their detail (the rows of the RIGHT JOIN), the ties of "top 1" kept
// with a rank.
const std::string kRawCarry =
    "SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8 FROM ("
    " SELECT T10_EXFIN1,T10_EXFIN2,T10_EXFIN3,T10_EXFIN4,T10_EXFIN5,T10_EXFIN6,T10_EXFIN7,T10_EXFIN8,"
    " RANK() OVER (ORDER BY T02_DECLARACIONES.T02_EJER DESC, T02_DECLARACIONES.T02_PERNUM DESC) AS r"
    " FROM T02_DECLARACIONES LEFT JOIN T10_TIPOLOGIA8 ON T02_DECLARACIONES.T02_SECDEC = T10_TIPOLOGIA8.T10_SECDEC"
    " WHERE T02_DECLARACIONES.T02_CSDE = ?1 AND T02_DECLARACIONES.T02_TIPOL = 8 AND T02_DECLARACIONES.T02_PERDAD = ?2"
    " AND T02_DECLARACIONES.T02_EJER <= ?3 AND T02_DECLARACIONES.T02_SECDEC < ?4) WHERE r <= 1";

constexpr int32_t kCarryYear = 2016;
constexpr int32_t kCarrySecdec = kHeaders + 1;

void engineCarry(benchmark::State& state) {
  cZIVETipologia8 service;
  service.mdbmod(carryDatabase().string());
  int32_t k = 0;
  for (auto _ : state) {
    Variant t = service.CargarExisFinales(kCarryYear, "1", kCarrySecdec, k++ % kDeclarants + 1);
    benchmark::DoNotOptimize(t);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteCarry(benchmark::State& state) {
  const auto& file = carryDatabase();
  int32_t k = 0;
  for (auto _ : state) {
    RawDb raw(file);
    RawStatement st(raw, kRawCarry);
    sqlite3_bind_int(st.get(), 1, k++ % kDeclarants + 1);
    sqlite3_bind_text(st.get(), 2, "1", 1, SQLITE_STATIC);
    sqlite3_bind_int(st.get(), 3, kCarryYear);
    sqlite3_bind_int(st.get(), 4, kCarrySecdec);
    benchmark::DoNotOptimize(st.readAll());
  }
}

}  // namespace

BENCHMARK(engineInsertLoad)->Name("engine/guardar_insertar_cargar_t8")->Iterations(kCycleIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteInsertLoad)->Name("sqlite/guardar_insertar_cargar_t8")->Iterations(kCycleIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(engineUpdateLoad)->Name("engine/guardar_actualizar_cargar_t8")->Iterations(kCycleIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteUpdateLoad)->Name("sqlite/guardar_actualizar_cargar_t8")->Iterations(kCycleIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(engineCarry)->Name("engine/cargar_exis_finales_100k")->MinTime(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(sqliteCarry)->Name("sqlite/cargar_exis_finales_100k")->MinTime(3)->Unit(benchmark::kMicrosecond);

}  // namespace svrZIVE::bench
