// cZIVET01: one row of T01_DECLARANTES (a declarant) and the table's SQL.
//
// The record works through the thread's shared connection, which the calling
// service has initialised on the modifiable database; it never opens or
// closes a database itself. Texts start empty and numbers at 0. Text values
// go into the statements unescaped: one holding an apostrophe fails the
// statement (3075) before it runs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/variant.h"

namespace svrZIVE {

class cZIVET01 {
 public:
  // --- Properties, one per column (the staircase precedes the letter) -------
  int32_t datT01_CSDE() const { return csde_; }
  void datT01_CSDE(int32_t value) { csde_ = value; }
  const std::string& datT01_NIF() const { return nif_; }
  void datT01_NIF(std::string value) { nif_ = std::move(value); }
  const std::string& datT01_NOMBRE() const { return nombre_; }
  void datT01_NOMBRE(std::string value) { nombre_ = std::move(value); }
  const std::string& datT01_SIGLAS() const { return siglas_; }
  void datT01_SIGLAS(std::string value) { siglas_ = std::move(value); }
  const std::string& datT01_VIAPUB() const { return viapub_; }
  void datT01_VIAPUB(std::string value) { viapub_ = std::move(value); }
  int32_t datT01_NUMERO() const { return numero_; }
  void datT01_NUMERO(int32_t value) { numero_ = value; }
  const std::string& datT01_ESCALE() const { return escale_; }
  void datT01_ESCALE(std::string value) { escale_ = std::move(value); }
  const std::string& datT01_LETRA() const { return letra_; }
  void datT01_LETRA(std::string value) { letra_ = std::move(value); }
  const std::string& datT01_PISO() const { return piso_; }
  void datT01_PISO(std::string value) { piso_ = std::move(value); }
  const std::string& datT01_MANO() const { return mano_; }
  void datT01_MANO(std::string value) { mano_ = std::move(value); }
  uint8_t datT01_CODPRO() const { return codpro_; }
  void datT01_CODPRO(uint8_t value) { codpro_ = value; }
  int32_t datT01_CODPOS() const { return codpos_; }
  void datT01_CODPOS(int32_t value) { codpos_ = value; }
  int16_t datT01_CODMUN() const { return codmun_; }
  void datT01_CODMUN(int16_t value) { codmun_ = value; }
  const std::string& datT01_NOMMUN() const { return nommun_; }
  void datT01_NOMMUN(std::string value) { nommun_ = std::move(value); }
  int16_t datT01_TELEPRE() const { return telepre_; }
  void datT01_TELEPRE(int16_t value) { telepre_ = value; }
  int32_t datT01_TELENUM() const { return telenum_; }
  void datT01_TELENUM(int32_t value) { telenum_ = value; }

  // --- Operations ------------------------------------------------------------

  // Inserts the fifteen data columns; the database assigns T01_CSDE.
  bool Insertar();
  // Deletes the row of datT01_CSDE.
  bool Borrar();
  // Rewrites the fifteen data columns of the row of datT01_CSDE.
  bool Modificar();
  // Loads the row of datT01_CSDE into the properties; without a row they stay
  // as they are. A null column fails with Invalid use of Null (94).
  bool Seleccionar();
  // Every declarant (number, tax number, name, municipality name, province)
  // by tax number, table-shaped; Null when there is none. Annotates its
  // failures with "cZIVET01.ObtenerDeclarantes ".
  Variant ObtenerDeclarantes();
  // The number of the first declarant whose tax number is datT01_NIF, or 0;
  // 0 without a query when datT01_NIF is empty. `strNif` is not read: the
  // callers set datT01_NIF to the same value first.
  int32_t ExisteNif(const std::string& strNif);

 private:
  int32_t csde_ = 0;
  std::string nif_;
  std::string nombre_;
  std::string siglas_;
  std::string viapub_;
  int32_t numero_ = 0;
  std::string escale_;
  std::string letra_;
  std::string piso_;
  std::string mano_;
  uint8_t codpro_ = 0;
  int32_t codpos_ = 0;
  int16_t codmun_ = 0;
  std::string nommun_;
  int16_t telepre_ = 0;
  int32_t telenum_ = 0;
};

}  // namespace svrZIVE
