#include "declarations/cZIVET02.h"

#include "declarations/write_transaction.h"
#include "engine/dao.h"
#include "base/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

// A number as Format(n, "00") writes it: at least two digits.
std::string twoDigits(uint8_t value) {
  std::string text = std::to_string(unsigned(value));
  return text.size() < 2 ? "0" + text : text;
}

// The one value of a count query.
int32_t countOf(const Statement& query) {
  auto rs = conexion().openRecordset(query);
  int32_t count = rs->value(0).toLong();
  rs->close();
  return count;
}

}  // namespace

Variant cZIVET02::ObtenerDeclaraciones() {
  return annotate("cZIVET02.ObtenerDeclaraciones", [&] {
    Statement s(
        "Select T02_SECDEC,T02_CSDE,T02_EJER, T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN, "
        "T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM  from T02_Declaraciones WHERE T02_CSDE = ");
    s << csde_
      << " order by T02_MODELO ASC, T02_EJER ASC,T02_PERDAD asc,T02_PERNUM ASC,T02_SECDEC ASC";
    auto rs = conexion().openRecordset(s);
    Variant list = ZIVEGeneral::ConvertirRecordset(*rs, 2);
    rs->close();
    return list;
  });
}

int32_t cZIVET02::NumeroDeclaraciones() {
  return annotate("cZIVET02.NumeroDeclaraciones ", [&] {
    Statement s("Select count(*) From T02_Declaraciones WHERE T02_CSDE = ");
    s << csde_;
    return countOf(s);
  });
}

bool cZIVET02::TieneDeclaraciones() {
  return annotate("cZIVET02.TieneDeclaraciones ", [&] {
    Statement s("SELECT COUNT(*) FROM T02_Declaraciones WHERE T02_CSDE = ");
    s << csde_;
    return countOf(s) >= 1;
  });
}

bool cZIVET02::DecDuplicadas() {
  Statement s("SELECT COUNT(*) FROM T02_Declaraciones WHERE T02_CSDE = ");
  s << csde_ << " and " << "T02_EJER  = " << ejer_ << " and " << "T02_PERNUM = '" << twoDigits(pernum_)
    << "'" << " and " << "T02_PERDAD = '" << perdad_ << "'" << " and " << "T02_MODELO = '" << modelo_
    << "'";
  return countOf(s) > 0;
}

int32_t cZIVET02::Insertar() {
  Statement s(
      "INSERT INTO T02_Declaraciones (T02_CSDE, T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,"
      "T02_IMPFIN, T02_CAE,T02_TTA ,T02_NESTAB,T02_DIRESTAB, T02_ADMCOM) VALUES (");
  s << csde_ << "," << ejer_ << ",'" << perdad_ << "','" << twoDigits(pernum_) << "','" << modelo_ << "',"
    << tipol_ << "," << impfin_ << ",'" << cae_ << "','" << tta_ << "','" << nestab_ << "','" << direstab_
    << "','" << admcom_ << "')";
  return declarations::inWriteTransaction([&] {
    conexion().execute(s, 0);
    return countOf(Statement("SELECT MAX(T02_SECDEC) FROM T02_Declaraciones"));
  });
}

int32_t cZIVET02::Modificar() {
  Statement s("UPDATE T02_Declaraciones SET T02_CAE ='");
  s << cae_ << "',T02_NESTAB = '" << nestab_ << "', T02_DIRESTAB='" << direstab_ << "', T02_ADMCOM='"
    << admcom_ << "' WHERE T02_SECDEC =" << secdec_;
  conexion().execute(s, 0);
  return secdec_;
}

bool cZIVET02::BorrarDeclaraciones() {
  Statement s("DELETE FROM T02_Declaraciones WHERE T02_SECDEC =");
  s << secdec_;
  conexion().execute(s, 0);
  return true;
}

Variant cZIVET02::GuardarDeclaracion() {
  Statement s("Update T02_Declaraciones set T02_IMPFIN = ");
  s << impfin_ << " where T02_SECDEC =" << secdec_;
  conexion().execute(s, 0);
  return Variant();
}

Variant cZIVET02::ObtenerDeclaracion() {
  Statement s(
      "select T02_MODELO,T02_EJER,T02_PERDAD,T02_PERNUM,T02_CAE,T02_TTA, T02_NESTAB,T02_DIRESTAB,"
      "T02_ADMCOM from T02_Declaraciones where T02_SECDEC =");
  s << secdec_;
  auto rs = conexion().openRecordset(s);
  Variant heading = ZIVEGeneral::ConvertirRecordset(*rs, 0);
  rs->close();
  return heading;
}

}  // namespace svrZIVE
