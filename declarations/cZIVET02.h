// cZIVET02: one declaration header of T02_Declaraciones and the table's SQL.
//
// The record works through the thread's shared connection, which the caller
// has initialised on the modifiable database. The form services store a
// return's final amount with it:
//
//   cZIVET02 cabecera;
//   cabecera.datT02_SECDEC(lngSecdec);
//   cabecera.datT02_IMPFIN(dblImporte);
//   cabecera.GuardarDeclaracion();
//
// The establishment and body properties (CAE, TTA, NESTAB, DIRESTAB, ADMCOM)
// keep an empty text as a single blank, so the table never holds an empty
// text there. The periodicity is written as decimal text, the period as text
// of at least two digits ('03').
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/variant.h"

namespace svrZIVE {

class cZIVET02 {
 public:
  // --- Properties ---------------------------------------------------------------
  int32_t datT02_SECDEC() const { return secdec_; }
  void datT02_SECDEC(int32_t value) { secdec_ = value; }
  int32_t datT02_CSDE() const { return csde_; }
  void datT02_CSDE(int32_t value) { csde_ = value; }
  int32_t datT02_EJER() const { return ejer_; }
  void datT02_EJER(int32_t value) { ejer_ = value; }
  uint8_t datT02_PERDAD() const { return perdad_; }
  void datT02_PERDAD(uint8_t value) { perdad_ = value; }
  uint8_t datT02_PERNUM() const { return pernum_; }
  void datT02_PERNUM(uint8_t value) { pernum_ = value; }
  const std::string& datT02_MODELO() const { return modelo_; }
  void datT02_MODELO(std::string value) { modelo_ = std::move(value); }
  uint8_t datT02_TIPOL() const { return tipol_; }
  void datT02_TIPOL(uint8_t value) { tipol_ = value; }
  double datT02_IMPFIN() const { return impfin_; }
  void datT02_IMPFIN(double value) { impfin_ = value; }
  const std::string& datT02_CAE() const { return cae_; }
  void datT02_CAE(std::string value) { cae_ = blankWhenEmpty(std::move(value)); }
  const std::string& datT02_TTA() const { return tta_; }
  void datT02_TTA(std::string value) { tta_ = blankWhenEmpty(std::move(value)); }
  const std::string& datT02_NESTAB() const { return nestab_; }
  void datT02_NESTAB(std::string value) { nestab_ = blankWhenEmpty(std::move(value)); }
  const std::string& datT02_DIRESTAB() const { return direstab_; }
  void datT02_DIRESTAB(std::string value) { direstab_ = blankWhenEmpty(std::move(value)); }
  const std::string& datT02_ADMCOM() const { return admcom_; }
  void datT02_ADMCOM(std::string value) { admcom_ = blankWhenEmpty(std::move(value)); }

  // --- Operations ------------------------------------------------------------

  // The declarations of declarant datT02_CSDE, table-shaped in buffer order,
  // by model, year, periodicity, period and number; Null when none.
  // Annotates with "cZIVET02.ObtenerDeclaraciones".
  Variant ObtenerDeclaraciones();
  // How many declarations declarant datT02_CSDE has. Annotates with
  // "cZIVET02.NumeroDeclaraciones ".
  int32_t NumeroDeclaraciones();
  // Whether declarant datT02_CSDE has any. Annotates with
  // "cZIVET02.TieneDeclaraciones ".
  bool TieneDeclaraciones();
  // Whether a declaration of the same declarant, year, period, periodicity
  // and model is stored.
  bool DecDuplicadas();
  // Inserts the header and returns its new number (the table's highest,
  // read in the same write transaction as the insert).
  int32_t Insertar();
  // Rewrites the establishment code, name, address and body code of
  // datT02_SECDEC; returns datT02_SECDEC.
  int32_t Modificar();
  // Deletes the header datT02_SECDEC (not its detail).
  bool BorrarDeclaraciones();
  // Stores datT02_IMPFIN as the final amount of datT02_SECDEC. The result
  // carries nothing.
  Variant GuardarDeclaracion();
  // The heading of datT02_SECDEC (0 model, 1 year, 2 periodicity, 3 period,
  // 4 establishment code, 5 TTA, 6 establishment name, 7 address, 8 body,
  // 9 empty); Null when it is not stored.
  Variant ObtenerDeclaracion();

 private:
  static std::string blankWhenEmpty(std::string value) { return value.empty() ? std::string(" ") : value; }

  int32_t secdec_ = 0;
  int32_t csde_ = 0;
  int32_t ejer_ = 0;
  uint8_t perdad_ = 0;
  uint8_t pernum_ = 0;
  std::string modelo_;
  uint8_t tipol_ = 0;
  double impfin_ = 0;
  std::string cae_;
  std::string tta_;
  std::string nestab_;
  std::string direstab_;
  std::string admcom_;
};

}  // namespace svrZIVE
