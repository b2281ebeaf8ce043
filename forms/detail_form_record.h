// A form record that the deletion of returns can reach: the record class of
// every form whose detail the declarations service deletes (typologies 1 to
// 6 and 8 to 11), and of the forms the deletion leaves alone but which share
// a record of their family: the new layout of form 564 and form 560 from
// 2015 (forms/rate/rate_form.h), the stock-accounting typologies 12 to 14.
#pragma once

#include <cstdint>
#include <string>

#include "declarations/detail_records.h"
#include "forms/form_record.h"
#include "forms/stock/carry_forward.h"

namespace svrZIVE::forms {

class DetailFormRecord : public FormRecord, public DetailRecord {
 public:
  explicit DetailFormRecord(const FormLayout& layout) : FormRecord(layout) {}

  // DetailRecord.
  void setDeclarationNumber(int32_t lngSecdec) override { setSecdec(lngSecdec); }
  bool BorrarDeclaracion() override { return FormRecord::BorrarDeclaracion(); }
};

// The record of a stock-accounting typology: a detail record whose layout
// has a carry-forward query.
class StockRecord : public DetailFormRecord {
 public:
  using DetailFormRecord::DetailFormRecord;

  // The closing stocks of the previous return (table shape, the columns of
  // the layout's query, rows from 1; Nulls for a previous header without
  // detail; every tied previous return a row); Null when there is none.
  // Does not use the object's properties. Failures pass on unchanged.
  Variant CargarExisFinales(const Variant& lngEjercicio, const std::string& strPeriodicidad, int32_t lngSecDec,
                            int32_t lngDeclarante) {
    return cargarExisFinales(layout(), lngEjercicio, strPeriodicidad, lngSecDec, lngDeclarante);
  }
};

}  // namespace svrZIVE::forms
