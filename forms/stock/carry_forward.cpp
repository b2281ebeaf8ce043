#include "forms/stock/carry_forward.h"

#include <stdexcept>

#include "engine/dao.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::forms {

Statement carryForwardStatement(const FormLayout& layout, const Variant& lngEjercicio, const std::string& strPeriodicidad,
                                int32_t lngSecDec, int32_t lngDeclarante) {
  if (!layout.carryForward) throw std::logic_error(layout.table + " carries nothing forward");
  Statement s;
  for (const auto& [text, argument] : layout.carryForward->pieces) {
    s.fixed(text);
    switch (argument) {
      case CarryArgument::None: break;
      case CarryArgument::Declarante: s << lngDeclarante; break;
      case CarryArgument::Ejercicio: s << lngEjercicio.toLong(); break;
      case CarryArgument::EjercicioTexto:
        // Appended as text: Empty and Null add nothing and leave the statement invalid.
        if (!lngEjercicio.isEmpty() && !lngEjercicio.isNull()) s << lngEjercicio.toText();
        break;
      case CarryArgument::Periodicidad: s << strPeriodicidad; break;
      case CarryArgument::SecDec: s << lngSecDec; break;
    }
  }
  return s;
}

Variant cargarExisFinales(const FormLayout& layout, const Variant& lngEjercicio, const std::string& strPeriodicidad,
                          int32_t lngSecDec, int32_t lngDeclarante) {
  auto rs = ZIVEGeneral::sharedConnection().openRecordset(
      carryForwardStatement(layout, lngEjercicio, strPeriodicidad, lngSecDec, lngDeclarante));
  Variant table = ZIVEGeneral::ConvertirRecordset(*rs, 2);
  rs->close();
  return table;
}

}  // namespace svrZIVE::forms
