#include "reference/cZIVET00.h"

#include "engine/dao.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"
#include "reference/text_case.h"

namespace svrZIVE {

std::string cZIVET00::ObtenerIdioma() {
  auto rs = ZIVEGeneral::sharedConnection().openRecordset(Statement("select T00_Idioma from T00_GENERAL"));
  std::string result = "C";
  if (!rs->eof()) result = trimBlanks(rs->value(0).toText());
  rs->close();
  return result;
}

int16_t cZIVET00::ObtenerActOnline() {
  auto rs =
      ZIVEGeneral::sharedConnection().openRecordset(Statement("select T00_ActOnline from T00_GENERAL"));
  int16_t result = 0;
  if (!rs->eof()) result = Variant(trimBlanks(rs->value(0).toText())).toInteger();
  rs->close();
  return result;
}

void cZIVET00::GuardarIdioma() {
  Statement s("Update T00_GENERAL Set T00_Idioma ='");
  s << idioma_ << "'";
  ZIVEGeneral::sharedConnection().execute(s, 0);
}

Variant cZIVET00::GuardarActOnline() {
  Statement s("Update T00_GENERAL Set T00_ActOnline =");
  s << actOnline_;
  ZIVEGeneral::sharedConnection().execute(s, 0);
  return Variant();
}

}  // namespace svrZIVE
