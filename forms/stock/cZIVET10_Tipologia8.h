// cZIVET10_Tipologia8: one detail row of typology 8 (T10_Tipologia8: the key
// and 14 families of 8 slots, 113 columns), its statements and the carry
// forward of the previous return's closing stocks. Private: only
// cZIVETipologia8 and the deletion of returns (typology 8) create it.
#pragma once

#include <cstdint>
#include <string>

#include "declarations/detail_records.h"
#include "forms/form_record.h"

namespace svrZIVE {

class cZIVET10_Tipologia8 : public forms::FormRecord, public DetailRecord {
 public:
  cZIVET10_Tipologia8();

  // The eight T10_EXFIN values of the previous return (table shape, columns
  // 0 to 7, rows from 1; Nulls for a previous header without detail; every
  // tied previous return a row); Null when there is none. Does not use the
  // object's properties. Failures pass on unchanged.
  Variant CargarExisFinales(int32_t lngEjercicio, const std::string& strPeriodicidad, int32_t lngSecDec,
                            int32_t lngDeclarante);

  // DetailRecord.
  void setDeclarationNumber(int32_t lngSecdec) override { setSecdec(lngSecdec); }
  bool BorrarDeclaracion() override { return FormRecord::BorrarDeclaracion(); }
};

}  // namespace svrZIVE
