// cZIVEDatosGeneral: reference data and settings.
//
// Nine operations read the reference database (mdblec): names of provinces,
// municipalities and street types in upper case, a free two-column query, the
// period range, the general rates in force for a period, the update address,
// product lists and banks. Four operations read and write the user's settings
// in T00_GENERAL of the modifiable database (mdbmod) through cZIVET00.
//
// Each operation is one initialise-query-close cycle on the thread's shared
// connection. Failures pass on unchanged, except in RellenarBancos, which
// puts "cZIVEDatosGenerales.RellenarBancos " in front of the description; a
// failed operation leaves its database open until the next initialisation.
#pragma once

#include <cstdint>
#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVEDatosGeneral : public ServicePaths {
 public:
  // --- Reference data ------------------------------------------------------

  // Runs the client's query and fills vBufferResultado with its first two
  // columns as a pair table (0 to 1, 0 to N-1); no records leave one row of
  // Empty values.
  void CargarResultado(const std::string& strCadena, Variant& vBufferResultado);
  // Names in upper case, or the empty text when the code is not there.
  // Language 0 is Spanish, any other value Basque; municipalities have one
  // name only.
  std::string ObtenerNombreProvincia(int16_t intCod, int16_t lngIdioma);
  std::string ObtenerNombreMunicipio(int16_t intCod, int16_t lngIdioma);
  std::string ObtenerNombreCalle(const std::string& strCodVia, int16_t lngIdioma);
  // The period range (minimum, maximum); four Empty elements without a row.
  void CargarDatosGenerales(Variant& vBufferResultado);
  // The rates of the set in force for the year and period, by product code,
  // as a column list; Null when no set starts at or before them.
  Variant CargarTipImp(int16_t intEjercicio, int16_t intPeriodo);
  // The update address in upper case.
  std::string ObtenerURLAct();
  // The model's product list that meets the SQL condition strTipo, all
  // columns of T06_TIPOS3 in table shape, by T06_CODI; Null when empty.
  Variant CargarListasProd(const std::string& strModelo, const std::string& strTipo);
  // Banks (code, description) in table shape by code; Null when none.
  Variant RellenarBancos();

  // --- Settings --------------------------------------------------------------

  std::string ObtenerIdioma();
  void CambiarIdioma(const std::string& sidioma);
  int16_t ObtenerActOnline();
  Variant GuardarActOnline(int16_t intActOnline);
};

}  // namespace svrZIVE
