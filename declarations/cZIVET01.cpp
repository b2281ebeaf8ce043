#include "declarations/cZIVET01.h"

#include "engine/dao.h"
#include "base/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

}  // namespace

bool cZIVET01::Insertar() {
  Statement s(
      "INSERT INTO T01_DECLARANTES (T01_NIF,T01_NOMB,T01_SIGLDOM,T01_NOMDOM,T01_NUMDOM,T01_LETDOM,"
      "T01_ESCDOM,T01_PISDOM, ");
  s << "T01_MANDOM,T01_PRODOM,T01_CPODOM,T01_MUNDOM,T01_NMUDOM,T01_PRETEL,T01_NUMTEL) VALUES ( ";
  s << "'" << nif_ << "','" << nombre_ << "','" << siglas_ << "','" << viapub_ << "'," << numero_
    << ",'" << letra_ << "','" << escale_ << "','" << piso_ << "','" << mano_ << "'," << codpro_ << ","
    << codpos_ << "," << codmun_ << ",'" << nommun_ << "'," << telepre_ << "," << telenum_ << ")";
  conexion().execute(s, 0);
  return true;
}

bool cZIVET01::Borrar() {
  Statement s("DELETE FROM T01_DECLARANTES WHERE T01_CSDE = ");
  s << csde_;
  conexion().execute(s, 0);
  return true;
}

bool cZIVET01::Modificar() {
  Statement s("UPDATE T01_DECLARANTES SET ");
  s << " T01_NIF = '" << nif_;
  s << "' , " << "T01_NOMB = '" << nombre_;
  s << "' , " << "T01_SIGLDOM = '" << siglas_;
  s << "' , " << "T01_NOMDOM = '" << viapub_;
  s << "' , " << "T01_NUMDOM = " << numero_;
  s << " , " << "T01_LETDOM = '" << letra_;
  s << "' , " << "T01_ESCDOM = '" << escale_;
  s << "' , " << "T01_PISDOM = '" << piso_;
  s << "' , " << "T01_MANDOM = '" << mano_;
  s << "' , " << "T01_PRODOM = " << codpro_;
  s << " , " << "T01_CPODOM = " << codpos_;
  s << " , " << "T01_MUNDOM = " << codmun_;
  s << " , " << "T01_NMUDOM = '" << nommun_;
  s << "' , " << "T01_PRETEL = " << telepre_;
  s << " , " << "T01_NUMTEL = " << telenum_;
  s << " WHERE T01_CSDE = " << csde_;
  conexion().execute(s, 0);
  return true;
}

bool cZIVET01::Seleccionar() {
  Statement s("Select * from T01_DECLARANTES where T01_CSDE = ");
  s << csde_;
  auto rs = conexion().openRecordset(s);
  if (!rs->eof()) {
    csde_ = rs->value("T01_CSDE").toLong();
    nif_ = rs->value("T01_NIF").toText();
    nombre_ = rs->value("T01_NOMB").toText();
    siglas_ = rs->value("T01_SIGLDOM").toText();
    viapub_ = rs->value("T01_NOMDOM").toText();
    numero_ = rs->value("T01_NUMDOM").toLong();
    letra_ = rs->value("T01_LETDOM").toText();
    escale_ = rs->value("T01_ESCDOM").toText();
    piso_ = rs->value("T01_PISDOM").toText();
    mano_ = rs->value("T01_MANDOM").toText();
    codpro_ = rs->value("T01_PRODOM").toByte();
    codpos_ = rs->value("T01_CPODOM").toLong();
    codmun_ = rs->value("T01_MUNDOM").toInteger();
    nommun_ = rs->value("T01_NMUDOM").toText();
    telepre_ = rs->value("T01_PRETEL").toInteger();
    telenum_ = rs->value("T01_NUMTEL").toLong();
  }
  rs->close();
  return true;
}

Variant cZIVET01::ObtenerDeclarantes() {
  return annotate("cZIVET01.ObtenerDeclarantes ", [&] {
    auto rs = conexion().openRecordset(Statement(
        "Select T01_CSDE, T01_NIF, T01_NOMB, T01_NMUDOM, T01_PRODOM From T01_DECLARANTES order by "
        "T01_NIF asc"));
    Variant list = ZIVEGeneral::ConvertirRecordset(*rs, 2);
    rs->close();
    return list;
  });
}

int32_t cZIVET01::ExisteNif(const std::string& /*strNif*/) {
  if (nif_.empty()) return 0;
  Statement s("Select T01_CSDE From T01_Declarantes Where T01_NIF='");
  s << nif_ << "'";
  auto rs = conexion().openRecordset(s);
  int32_t csde = 0;
  if (!rs->eof()) csde = rs->value(0).toLong();
  rs->close();
  return csde;
}

}  // namespace svrZIVE
