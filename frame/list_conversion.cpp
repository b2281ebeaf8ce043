// ConvertirRecordset and QuitarRepetidos: query results as the variant arrays
// of the interface.
#include <cstdint>

#include "engine/dao.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/zive_general.h"

namespace svrZIVE::ZIVEGeneral {
namespace {

// Counters and the column count are 16-bit signed, as the runtime keeps them.
int16_t toCounter(int32_t value) {
  if (value < INT16_MIN || value > INT16_MAX) raiseRuntimeError(kOverflow);
  return static_cast<int16_t>(value);
}

int16_t increment(int16_t counter) { return toCounter(int32_t(counter) + 1); }

}  // namespace

Variant ConvertirRecordset(engine::Recordset& rs, int32_t mode) {
  if (rs.recordCount() < 1) return Variant::null();
  // Moving to the end makes the record count exact.
  rs.moveLast();
  rs.moveFirst();

  if (mode == 1) {
    const int16_t n = toCounter(rs.recordCount());
    VariantArray list = VariantArray::vector(0, n - 1);
    int16_t position = 0;
    while (!rs.eof()) {
      list[position] = rs.value(0);
      position = increment(position);
      rs.moveNext();
    }
    return Variant(std::move(list));
  }

  if (mode == 0) {
    const int16_t f = toCounter(rs.fields().count());
    VariantArray record = VariantArray::vector(0, f);
    // One position across all records: a second record continues at F and
    // overruns the array.
    int16_t position = 0;
    while (!rs.eof()) {
      for (int16_t c = 0; c < f; ++c) {
        record[position] = rs.value(c);
        position = increment(position);
      }
      rs.moveNext();
    }
    return Variant(std::move(record));
  }

  const int16_t f = toCounter(rs.fields().count());
  const int16_t n = toCounter(rs.recordCount());
  VariantArray table = VariantArray::matrix(0, f, 0, n);
  int16_t row = 0;
  while (!rs.eof()) {
    row = increment(row);
    for (int16_t c = 0; c < f; ++c) table.at({c, row}) = rs.value(c);
    rs.moveNext();
  }
  return Variant(std::move(table));
}

Variant ConvertirRecordset(const std::shared_ptr<engine::Recordset>& recordset, int32_t mode) {
  if (!recordset) throw objectNotSet();
  return ConvertirRecordset(*recordset, mode);
}

Variant QuitarRepetidos(const Variant& table, int32_t lastColumn) {
  const VariantArray& input = table.array();
  constexpr int32_t kKeyColumn = 3;

  VariantArray result = VariantArray::matrix(0, lastColumn, 0, 1);
  int32_t kept = 0;
  const int32_t lastRow = input.ubound(2);
  for (int32_t i = 1; i <= lastRow; ++i) {
    const Variant& key = input.at({kKeyColumn, i});
    bool repeated = false;
    for (int32_t k = 1; k <= kept && !repeated; ++k) {
      repeated = variantEquals(key, result.at({kKeyColumn, k}));
    }
    if (repeated) continue;
    ++kept;
    if (kept > 1) result.redimPreserve(kept);
    for (int32_t c = 0; c <= lastColumn; ++c) result.at({c, kept}) = input.at({c, i});
  }
  return Variant(std::move(result));
}

}  // namespace svrZIVE::ZIVEGeneral
