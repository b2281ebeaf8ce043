// Typologies 8 (T10_Tipologia8, 113 columns) and 10 (T12_Tipologia10, 185
// columns, text and Integer columns among them, a save buffer in its own
// order and an update in two statements) through their services against the
// raw SQLite C API doing the same work on the same file in the same run. Each
// service operation opens the modifiable database, runs its statements and
// closes it, so the raw side opens and closes a connection (with the engine's
// journal and synchronous settings) for each operation too, and prepares its
// statements through the C API with the values bound:
//   guardar_insertar_cargar_tN   GuardarDeclaracion inserting a new detail
//                                row + CargarDeclaracion of it
//   guardar_actualizar_cargar_tN GuardarDeclaracion updating an existing row
//                                + CargarDeclaracion of it
//   cargar_exis_finales_100k(_t10) CargarExisFinales of one declarant over
//                                100,000 headers of the typology, 90,000 of
//                                them with their detail row
//   guardar_cargar_t09           the widest rate form (564, new layout:
//                                T09_Tipologia5_Nueva, 76 columns, every line
//                                in use): GuardarDeclaracion updating a row,
//                                with the header's final amount, +
//                                CargarDeclaracion of it
// The databases are made as `zive init` makes them (first layout, upgrade):
// the detail tables have no index, as the upgrade leaves them, so a load reads
// the detail table through and the carry forward's join has SQLite build an
// automatic index on the key for each query, on both sides. The save cycles
// run a fixed number of iterations on a database of 1,000 detail rows and
// remove the rows they added afterwards, so that both sides see tables of the
// same size.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "bench/form_rows.h"
#include "bench/initialised_database.h"
#include "engine/dao.h"
#include "forms/form_layout.h"
#include "forms/stock/cZIVETipologia10.h"
#include "forms/rate/cZIVETipologia5_Nueva.h"
#include "forms/stock/cZIVETipologia8.h"
#include "base/variant.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {
namespace {

constexpr int kCycleRows = 1000;
constexpr int kCycleIterations = 300;
constexpr int kHeaders = 100000;
constexpr int kDeclarants = 1000;

const Form kT10{forms::layoutTipologia10, 10};

void fillDetail(RawDb& raw, const Form& f, const std::string& headerFilter) {
  raw.exec(detailInsert(f, tableOf(f), headerFilter));
}

// `count` headers of the typology over kDeclarants declarants, written raw.
void fillHeaders(RawDb& raw, const Form& f, int count) {
  raw.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
           ") INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, T02_TIPOL,"
           " T02_IMPFIN, T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM)"
           " SELECT i % " + std::to_string(kDeclarants) + " + 1, 2000 + (i / 12) % 20, '1',"
           " printf('%02d', i % 12 + 1), '570', " + std::to_string(f.typology) +
           ", 0, ' ', ' ', ' ', ' ', ' ' FROM n");
}

// An init-made database with `headers` headers, and the detail rows of those
// that meet `withDetail`.
std::filesystem::path filled(const std::string& name, const Form& f, int headers, const std::string& withDetail) {
  auto file = initialised(name);
  RawDb raw(file);
  raw.exec("BEGIN");
  fillHeaders(raw, f, headers);
  fillDetail(raw, f, withDetail);
  raw.exec("COMMIT");
  return file;
}

// The database of the save cycles: kCycleRows headers with their detail.
const std::filesystem::path& cycleDatabase(const Form& f) {
  static std::map<int, std::filesystem::path> files;
  auto [it, made] = files.try_emplace(f.typology);
  if (made) it->second = filled("forms_cycle_t" + std::to_string(f.typology), f, kCycleRows, "1");
  return it->second;
}

// The carry-forward database: kHeaders headers, every tenth without detail.
const std::filesystem::path& carryDatabase(const Form& f) {
  static std::map<int, std::filesystem::path> files;
  auto [it, made] = files.try_emplace(f.typology);
  if (made) it->second = filled("forms_100k_t" + std::to_string(f.typology), f, kHeaders, "T02_SECDEC % 10 <> 0");
  return it->second;
}

// Removes the detail rows a cycle added (not timed).
void removeFrom(const Form& f, int32_t firstSecdec) {
  RawDb raw(cycleDatabase(f));
  raw.exec("DELETE FROM " + tableOf(f) + " WHERE " + keyOf(f) + " >= " + std::to_string(firstSecdec));
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
  int readAll() { return readRows(st_); }

 private:
  sqlite3_stmt* st_ = nullptr;
};

std::string rawInsert(const Form& f) {
  std::string s = "INSERT INTO " + tableOf(f) + " (" + columnList(f) + ") VALUES (?1";
  for (int i = 2; i <= columnCount(f); ++i) s += ",?" + std::to_string(i);
  return s + ")";
}

// One UPDATE of every column, as a SQLite programmer writes it.
std::string rawUpdate(const Form& f) {
  std::string s = "UPDATE " + tableOf(f) + " SET ";
  for (int i = 1; i < columnCount(f); ++i)
    s += (i > 1 ? "," : "") + f.layout().columns[i].name + " = ?" + std::to_string(i);
  return s + " WHERE " + keyOf(f) + " = ?" + std::to_string(columnCount(f));
}

std::string rawLoad(const Form& f) {
  return "SELECT " + columnList(f) + " FROM " + tableOf(f) + " WHERE " + keyOf(f) + " = ?1";
}

void bind(sqlite3_stmt* st, int parameter, const Variant& value) {
  if (value.isString()) {
    sqlite3_bind_text(st, parameter, value.asString().c_str(), -1, SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_double(st, parameter, value.toDouble());
  }
}

void rawSave(const Form& f, const std::filesystem::path& file, int32_t secdec, int round, bool insert) {
  RawDb raw(file);
  RawStatement st(raw, insert ? rawInsert(f) : rawUpdate(f));
  for (int i = 1; i < columnCount(f); ++i) bind(st.get(), insert ? i + 1 : i, element(f, secdec, i, round));
  sqlite3_bind_int(st.get(), insert ? 1 : columnCount(f), secdec);
  st.done();
}

void rawLoadRow(const Form& f, const std::filesystem::path& file, int32_t secdec) {
  RawDb raw(file);
  RawStatement st(raw, rawLoad(f));
  sqlite3_bind_int(st.get(), 1, secdec);
  benchmark::DoNotOptimize(st.readAll());
}

// --- Save and load ---------------------------------------------------------------

constexpr int32_t kEngineFirst = 2000000;
constexpr int32_t kRawFirst = 3000000;

template <class Service>
void engineInsertLoad(benchmark::State& state, const Form& f) {
  Service service;
  service.mdbmod(cycleDatabase(f).string());
  int32_t secdec = kEngineFirst;
  for (auto _ : state) {
    Variant b = buffer(f, ++secdec, 0);
    service.GuardarDeclaracion(b, Variant(true));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
  removeFrom(f, kEngineFirst);
}

void sqliteInsertLoad(benchmark::State& state, const Form& f) {
  const auto& file = cycleDatabase(f);
  int32_t secdec = kRawFirst;
  for (auto _ : state) {
    rawSave(f, file, ++secdec, 0, true);
    rawLoadRow(f, file, secdec);
  }
  removeFrom(f, kRawFirst);
}

template <class Service>
void engineUpdateLoad(benchmark::State& state, const Form& f) {
  Service service;
  service.mdbmod(cycleDatabase(f).string());
  int round = 0;
  for (auto _ : state) {
    int32_t secdec = round % kCycleRows + 1;
    Variant b = buffer(f, secdec, ++round);
    service.GuardarDeclaracion(b, Variant(false));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteUpdateLoad(benchmark::State& state, const Form& f) {
  const auto& file = cycleDatabase(f);
  // Rounds of its own: a row rewritten with the values it holds already
  // leaves its page clean, and SQLite then has nothing to write.
  int round = 100000;
  for (auto _ : state) {
    int32_t secdec = (round - 100000) % kCycleRows + 1;
    rawSave(f, file, secdec, ++round, false);
    rawLoadRow(f, file, secdec);
  }
}

// --- Carry forward ---------------------------------------------------------------

constexpr int32_t kCarryYear = 2016;
constexpr int32_t kCarrySecdec = kHeaders + 1;

template <class Service>
void engineCarry(benchmark::State& state, const Form& f) {
  Service service;
  service.mdbmod(carryDatabase(f).string());
  int32_t k = 0;
  for (auto _ : state) {
    Variant t = service.CargarExisFinales(Variant(kCarryYear), "1", kCarrySecdec, k++ % kDeclarants + 1);
    benchmark::DoNotOptimize(t);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteCarry(benchmark::State& state, const Form& f) {
  const auto& file = carryDatabase(f);
  const std::string sql = rawCarry(f);
  int32_t k = 0;
  for (auto _ : state) {
    RawDb raw(file);
    RawStatement st(raw, sql);
    sqlite3_bind_int(st.get(), 1, k++ % kDeclarants + 1);
    sqlite3_bind_text(st.get(), 2, "1", 1, SQLITE_STATIC);
    sqlite3_bind_int(st.get(), 3, kCarryYear);
    sqlite3_bind_int(st.get(), 4, kCarrySecdec);
    benchmark::DoNotOptimize(st.readAll());
  }
}

// --- The widest rate form --------------------------------------------------------

// Column c of row `secdec` in round `round`: a code in the text columns (the
// concepts one letter), a number not 0 in the others, so every line is in use.
Variant t09Value(const forms::FormColumn& column, int32_t secdec, int c, int round) {
  if (column.type == forms::PropertyType::Char) return Variant(std::string(1, char('A' + round % 26)));
  if (column.isText()) return Variant("E" + std::to_string((secdec + c + round) % 10000));
  return Variant(secdec + c + round * 0.25);
}

const Form kT09{forms::layoutTipologia5Nueva, 5};

void engineT09(benchmark::State& state) {
  cZIVETipologia5_Nueva service;
  service.mdbmod(cycleDatabase(kT09).string());
  const auto& columns = forms::layoutTipologia5Nueva().columns;
  int round = 0;
  for (auto _ : state) {
    int32_t secdec = round % kCycleRows + 1;
    ++round;
    VariantArray b = VariantArray::vector(0, static_cast<int32_t>(columns.size()) - 1);
    b[0] = Variant(secdec);
    for (std::size_t c = 1; c < columns.size(); ++c) b[c] = t09Value(columns[c], secdec, static_cast<int>(c), round);
    Variant buffer(std::move(b));
    service.GuardarDeclaracion(buffer, Variant(false));
    Variant row = service.CargarDeclaracion(secdec);
    benchmark::DoNotOptimize(row);
  }
  ZIVEGeneral::endThreadState();
}

void sqliteT09(benchmark::State& state) {
  const auto& file = cycleDatabase(kT09);
  const auto& columns = forms::layoutTipologia5Nueva().columns;
  const int n = static_cast<int>(columns.size());
  std::string update = "UPDATE T09_TIPOLOGIA5_NUEVA SET ";
  for (int c = 1; c < n; ++c) update += (c > 1 ? "," : "") + columns[c].name + " = ?" + std::to_string(c);
  update += " WHERE T09_SECDEC = ?" + std::to_string(n);
  int round = 100000;  // rounds of its own, as in the update cycle above
  for (auto _ : state) {
    int32_t secdec = (round - 100000) % kCycleRows + 1;
    ++round;
    {
      RawDb raw(file);
      RawStatement st(raw, update);
      for (int c = 1; c < n; ++c) {
        Variant v = t09Value(columns[c], secdec, c, round);
        if (v.isString())
          sqlite3_bind_text(st.get(), c, v.asString().c_str(), -1, SQLITE_TRANSIENT);
        else
          sqlite3_bind_double(st.get(), c, v.asDouble());
      }
      sqlite3_bind_int(st.get(), n, secdec);
      st.done();
      RawStatement header(raw, "UPDATE T02_DECLARACIONES SET T02_IMPFIN = ?1 WHERE T02_SECDEC = ?2");
      sqlite3_bind_double(header.get(), 1, t09Value(columns[n - 1], secdec, n - 1, round).asDouble());
      sqlite3_bind_int(header.get(), 2, secdec);
      header.done();
    }
    RawDb raw(file);
    RawStatement st(raw, "SELECT * FROM T09_TIPOLOGIA5_NUEVA WHERE T09_SECDEC = ?1");
    sqlite3_bind_int(st.get(), 1, secdec);
    benchmark::DoNotOptimize(st.readAll());
  }
}

}  // namespace

namespace {

// The cycles of typology `name` ("t8") with its service.
template <class Service>
void registerCycles(const Form& f, const std::string& name) {
  auto cycle = [](benchmark::internal::Benchmark* b) {
    return b->Iterations(kCycleIterations)->Unit(benchmark::kMicrosecond);
  };
  cycle(benchmark::RegisterBenchmark(("engine/guardar_insertar_cargar_" + name).c_str(), engineInsertLoad<Service>, f));
  cycle(benchmark::RegisterBenchmark(("sqlite/guardar_insertar_cargar_" + name).c_str(), sqliteInsertLoad, f));
  cycle(benchmark::RegisterBenchmark(("engine/guardar_actualizar_cargar_" + name).c_str(), engineUpdateLoad<Service>, f));
  cycle(benchmark::RegisterBenchmark(("sqlite/guardar_actualizar_cargar_" + name).c_str(), sqliteUpdateLoad, f));
}

template <class Service>
void registerCarry(const Form& f, const std::string& suffix) {
  benchmark::RegisterBenchmark(("engine/cargar_exis_finales_100k" + suffix).c_str(), engineCarry<Service>, f)
      ->MinTime(3)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(("sqlite/cargar_exis_finales_100k" + suffix).c_str(), sqliteCarry, f)
      ->MinTime(3)
      ->Unit(benchmark::kMicrosecond);
}

[[maybe_unused]] const bool kRegistered = [] {
  registerCycles<cZIVETipologia8>(kT8, "t8");
  registerCarry<cZIVETipologia8>(kT8, "");
  registerCycles<cZIVETipologia10>(kT10, "t10");
  registerCarry<cZIVETipologia10>(kT10, "_t10");
  benchmark::RegisterBenchmark("engine/guardar_cargar_t09", engineT09)
      ->Iterations(kCycleIterations)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("sqlite/guardar_cargar_t09", sqliteT09)
      ->Iterations(kCycleIterations)
      ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace

}  // namespace svrZIVE::bench
