#include "declarations/cZIVEDeclarante.h"

#include <functional>

#include "declarations/cZIVET01.h"
#include "declarations/write_transaction.h"
#include "engine/dao.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

// Element 0 of a save buffer asks for a new declarant when it equals the
// empty text; an element never written counts as equal.
bool asksForNewDeclarant(const Variant& element) {
  return element.isEmpty() || (element.isString() && element.asString().empty());
}

// The save of GuardarDeclarante and ImportarDte; `element(k)` reads field k.
int32_t guardar(const std::function<const Variant&(int32_t)>& element) {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET01 declarante;
  declarante.datT01_NIF(element(1).toText());
  declarante.datT01_NOMBRE(element(2).toText());
  declarante.datT01_SIGLAS(element(3).toText());
  declarante.datT01_VIAPUB(element(4).toText());
  declarante.datT01_NUMERO(element(5).toLong());
  declarante.datT01_LETRA(element(6).toText());
  declarante.datT01_ESCALE(element(7).toText());
  declarante.datT01_PISO(element(8).toText());
  declarante.datT01_MANO(element(9).toText());
  declarante.datT01_CODPRO(element(10).toByte());
  declarante.datT01_CODPOS(element(11).toLong());
  declarante.datT01_CODMUN(element(12).toInteger());
  declarante.datT01_NOMMUN(element(13).toText());
  declarante.datT01_TELEPRE(element(14).toInteger());
  declarante.datT01_TELENUM(element(15).toLong());

  if (asksForNewDeclarant(element(0))) {
    return declarations::inWriteTransaction([&] {
      declarante.Insertar();
      auto rs = conexion().openRecordset(Statement("select max(T01_CSDE) from T01_Declarantes"));
      int32_t csde = rs->value(0).toLong();
      rs->close();
      return csde;
    });
  }
  declarante.datT01_CSDE(element(0).toLong());
  declarante.Modificar();
  return declarante.datT01_CSDE();
}

}  // namespace

void cZIVEDeclarante::CargarDeclarante(int32_t lngCSDE, Variant& vBufferResultado) {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET01 declarante;
  declarante.datT01_CSDE(lngCSDE);
  declarante.Seleccionar();
  VariantArray buffer = VariantArray::vector(0, 15);
  buffer[0] = Variant(declarante.datT01_CSDE());
  buffer[1] = Variant(declarante.datT01_NIF());
  buffer[2] = Variant(declarante.datT01_NOMBRE());
  buffer[3] = Variant(declarante.datT01_SIGLAS());
  buffer[4] = Variant(declarante.datT01_VIAPUB());
  buffer[5] = Variant(declarante.datT01_NUMERO());
  buffer[6] = Variant(declarante.datT01_LETRA());
  buffer[7] = Variant(declarante.datT01_ESCALE());
  buffer[8] = Variant(declarante.datT01_PISO());
  buffer[9] = Variant(declarante.datT01_MANO());
  buffer[10] = Variant(declarante.datT01_CODPRO());
  buffer[11] = Variant(declarante.datT01_CODPOS());
  buffer[12] = Variant(declarante.datT01_CODMUN());
  buffer[13] = Variant(declarante.datT01_NOMMUN());
  buffer[14] = Variant(declarante.datT01_TELEPRE());
  buffer[15] = Variant(declarante.datT01_TELENUM());
  vBufferResultado = Variant(std::move(buffer));
  conexion().Cerrar();
}

int32_t cZIVEDeclarante::GuardarDeclarante(Variant& vBufferResultado) {
  return guardar([&](int32_t k) -> const Variant& { return vBufferResultado.array()[k]; });
}

int32_t cZIVEDeclarante::ImportarDte(Variant& vBufferResultado) {
  return guardar([&](int32_t k) -> const Variant& { return vBufferResultado.array().at({k, 0}); });
}

void cZIVEDeclarante::EliminarDeclarante(int32_t SecDte) {
  annotate("cZIVEDeclarante.EliminarDeclarante ", [&] {
    cZIVET01 declarante;
    declarante.datT01_CSDE(SecDte);
    conexion().InicializaBD(ZIVEGeneral::modifiablePath());
    declarante.Borrar();
    conexion().Cerrar();
  });
}

int32_t cZIVEDeclarante::NifRepetido(const std::string& strNif) {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET01 declarante;
  declarante.datT01_NIF(strNif);
  int32_t csde = declarante.ExisteNif(strNif);
  conexion().Cerrar();
  return csde;
}

Variant cZIVEDeclarante::ObtenerDeclarantes() {
  return annotate("cZIVEDeclarante.ObtenerDeclarantes ", [&] {
    conexion().InicializaBD(ZIVEGeneral::modifiablePath());
    cZIVET01 declarante;
    Variant list = declarante.ObtenerDeclarantes();
    conexion().Cerrar();
    return list;
  });
}

int32_t cZIVEDeclarante::NumeroDeclarantes() {
  return annotate("cZIVEDeclarante.NumeroDeclarantes ", [&] {
    conexion().InicializaBD(ZIVEGeneral::modifiablePath());
    auto rs = conexion().openRecordset(Statement("Select count(*) From T01_declarantes"));
    int32_t count = rs->value(0).toLong();
    rs->close();
    conexion().Cerrar();
    return count;
  });
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVEDeclarante;

const TypeInfo& declaranteMembers() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVEDeclarante");
    addPathProperties(t);
    t.method("CargarDeclarante", {{"lngCSDE", "Long"}, {"vBufferResultado", "Variant"}}, {},
             [](Self& o, CallArguments& a) {
               o.CargarDeclarante(a.lng(0), a[1]);
               return Variant();
             });
    t.method("GuardarDeclarante", {{"vBufferResultado", "Variant"}}, "Long",
             [](Self& o, CallArguments& a) { return Variant(o.GuardarDeclarante(a[0])); });
    t.method("ImportarDte", {{"vBufferResultado", "Variant"}}, "Long",
             [](Self& o, CallArguments& a) { return Variant(o.ImportarDte(a[0])); });
    t.method("EliminarDeclarante", {{"SecDte", "Long"}}, {}, [](Self& o, CallArguments& a) {
      o.EliminarDeclarante(a.lng(0));
      return Variant();
    });
    t.method("NifRepetido", {{"strNif", "String"}}, "Long",
             [](Self& o, CallArguments& a) { return Variant(o.NifRepetido(a.text(0))); });
    t.method("ObtenerDeclarantes", {}, "Variant",
             [](Self& o, CallArguments&) { return o.ObtenerDeclarantes(); });
    t.method("NumeroDeclarantes", {}, "Long",
             [](Self& o, CallArguments&) { return Variant(o.NumeroDeclarantes()); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered =
    registerPublicClass<cZIVEDeclarante>("cZIVEDeclarante", declaranteMembers);

}  // namespace

}  // namespace svrZIVE
