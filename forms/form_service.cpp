#include "forms/form_service.h"

#include "declarations/cZIVET02.h"
#include "base/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::forms {

std::string serviceText(const FormLayout& layout, std::string_view operation) {
  return layout.serviceClass + "." + std::string(operation);
}

void abrirModificable() { ZIVEGeneral::sharedConnection().InicializaBD(ZIVEGeneral::modifiablePath()); }

void abrirReferencia() { ZIVEGeneral::sharedConnection().InicializaBD(ZIVEGeneral::referencePath()); }

void cerrar() { ZIVEGeneral::sharedConnection().Cerrar(); }

Variant cargarDeclaracion(FormRecord& record, int32_t lngSecDec) {
  return annotate(serviceText(record.layout(), "CargarDeclaracion"), [&] {
    record.setSecdec(lngSecDec);
    abrirModificable();
    Variant row = record.CargarDeclaracion();
    cerrar();
    return row;
  });
}

Variant guardarDeclaracion(FormRecord& record, const Variant& vBuffer, const Variant& blnInsertar) {
  return annotate(serviceText(record.layout(), "GuardarDeclaracion"), [&] {
    record.fromBuffer(vBuffer);
    const auto& finalAmount = record.layout().finalAmountElement;
    abrirModificable();
    if (isExactlyTrue(blnInsertar)) {
      record.InsertarDeclaracion();
    } else {
      record.GuardarDeclaracion();
    }
    if (finalAmount) {
      const VariantArray& buffer = vBuffer.array();
      cZIVET02 cabecera;
      cabecera.datT02_IMPFIN(buffer[*finalAmount].toDouble());
      cabecera.datT02_SECDEC(buffer[0].toLong());
      cabecera.GuardarDeclaracion();
    }
    cerrar();
    return Variant();
  });
}

}  // namespace svrZIVE::forms
