#include "declarations/cZIVEDeclaraciones.h"

#include <memory>

#include "declarations/cZIVET02.h"
#include "declarations/detail_records.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

void inicializar() { conexion().InicializaBD(ZIVEGeneral::modifiablePath()); }

}  // namespace

int32_t cZIVEDeclaraciones::NumeroDeclaraciones(int32_t NumSec) {
  return annotate("cZIVEDeclaraciones.NumeroDeclaraciones ", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_CSDE(NumSec);
    int32_t count = cabecera.NumeroDeclaraciones();
    conexion().Cerrar();
    return count;
  });
}

bool cZIVEDeclaraciones::EliminarDeclaraciones(int32_t lngNumCSDC, uint8_t btTipologia) {
  return annotate("cZIVEDeclaraciones.EliminarDeclaraciones", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_SECDEC(lngNumCSDC);
    if (DetailRecordFactory factory = detailDeleterFor(btTipologia)) {
      std::unique_ptr<DetailRecord> detalle = factory();
      detalle->setDeclarationNumber(lngNumCSDC);
      detalle->BorrarDeclaracion();
    }
    cabecera.BorrarDeclaraciones();
    conexion().Cerrar();
    return true;
  });
}

bool cZIVEDeclaraciones::TieneDeclaraciones(int32_t SecDte) {
  return annotate("cZIVEDeclaraciones.TieneDeclaraciones ", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_CSDE(SecDte);
    bool tiene = cabecera.TieneDeclaraciones();
    conexion().Cerrar();
    return tiene;
  });
}

Variant cZIVEDeclaraciones::ObtenerDeclaraciones(int32_t lngNumSec) {
  return annotate("cZIVEDeclaraciones.ObtenerDeclaraciones ", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_CSDE(lngNumSec);
    Variant list = cabecera.ObtenerDeclaraciones();
    conexion().Cerrar();
    return list;
  });
}

Variant cZIVEDeclaraciones::ObtenerDeclaracion(int32_t lngNumSec) {
  return annotate("cZIVEDeclaraciones.ObtenerDeclaracion ", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_SECDEC(lngNumSec);
    Variant heading = cabecera.ObtenerDeclaracion();
    conexion().Cerrar();
    return heading;
  });
}

int32_t cZIVEDeclaraciones::GuardarDeclaracion(Variant& vBuffer) {
  return annotate("cZIVEDeclaraciones.GuardarDeclaracion", [&] {
    const VariantArray& buffer = vBuffer.array();
    cZIVET02 cabecera;
    cabecera.datT02_SECDEC(buffer[0].toLong());
    cabecera.datT02_CSDE(buffer[1].toLong());
    cabecera.datT02_EJER(buffer[2].toLong());
    cabecera.datT02_PERDAD(buffer[3].toByte());
    cabecera.datT02_PERNUM(buffer[4].toByte());
    cabecera.datT02_MODELO(buffer[5].toText());
    cabecera.datT02_TIPOL(buffer[6].toByte());
    cabecera.datT02_IMPFIN(buffer[7].toDouble());
    cabecera.datT02_CAE(buffer[8].toText());
    cabecera.datT02_TTA(buffer[9].toText());
    cabecera.datT02_NESTAB(buffer[10].toText());
    cabecera.datT02_DIRESTAB(buffer[11].toText());
    cabecera.datT02_ADMCOM(buffer[12].toText());

    inicializar();
    int32_t secdec = cabecera.datT02_SECDEC() != 0 ? cabecera.Modificar() : cabecera.Insertar();
    conexion().Cerrar();
    return secdec;
  });
}

bool cZIVEDeclaraciones::DecDuplicadas(int32_t lngCSDE, int32_t lngEjercicio, int16_t intPeriodo,
                                       uint8_t bitPeriodicidad, const std::string& strModelo) {
  return annotate("cZIVEDeclaraciones.DecDuplicadas", [&] {
    inicializar();
    cZIVET02 cabecera;
    cabecera.datT02_CSDE(lngCSDE);
    cabecera.datT02_EJER(lngEjercicio);
    cabecera.datT02_PERNUM(Variant(intPeriodo).toByte());
    cabecera.datT02_PERDAD(bitPeriodicidad);
    cabecera.datT02_MODELO(strModelo);
    bool duplicada = cabecera.DecDuplicadas();
    conexion().Cerrar();
    return duplicada;
  });
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVEDeclaraciones;

const TypeInfo& declaracionesMembers() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVEDeclaraciones");
    addPathProperties(t);
    t.method("NumeroDeclaraciones", {{"NumSec", "Long"}}, "Long",
             [](Self& o, CallArguments& a) { return Variant(o.NumeroDeclaraciones(a.lng(0))); });
    t.method("EliminarDeclaraciones", {{"lngNumCSDC", "Long"}, {"btTipologia", "Byte"}}, "Boolean",
             [](Self& o, CallArguments& a) {
               return Variant(o.EliminarDeclaraciones(a.lng(0), a.byte(1)));
             });
    t.method("TieneDeclaraciones", {{"SecDte", "Long"}}, "Boolean",
             [](Self& o, CallArguments& a) { return Variant(o.TieneDeclaraciones(a.lng(0))); });
    t.method("ObtenerDeclaraciones", {{"lngNumSec", "Long", true}}, "Variant",
             [](Self& o, CallArguments& a) {
               return o.ObtenerDeclaraciones(a.present(0) ? a.lng(0) : 0);
             });
    t.method("ObtenerDeclaracion", {{"lngNumSec", "Long", true}}, "Variant",
             [](Self& o, CallArguments& a) { return o.ObtenerDeclaracion(a.present(0) ? a.lng(0) : 0); });
    t.method("GuardarDeclaracion", {{"vBuffer", "Variant"}}, "Long",
             [](Self& o, CallArguments& a) { return Variant(o.GuardarDeclaracion(a[0])); });
    t.method("DecDuplicadas",
             {{"lngCSDE", "Long"},
              {"lngEjercicio", "Long"},
              {"intPeriodo", "Integer"},
              {"bitPeriodicidad", "Byte"},
              {"strModelo", "String"}},
             "Boolean", [](Self& o, CallArguments& a) {
               return Variant(o.DecDuplicadas(a.lng(0), a.lng(1), a.integer(2), a.byte(3), a.text(4)));
             });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered =
    registerPublicClass<cZIVEDeclaraciones>("cZIVEDeclaraciones", declaracionesMembers);

}  // namespace

}  // namespace svrZIVE
