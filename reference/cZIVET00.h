// cZIVET00: the settings row of T00_GENERAL in the modifiable database (the
// interface language and the online-update switch). It works through the
// thread's shared connection, which the calling service has initialised on
// the modifiable database. No failure handling: every failure passes on.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/variant.h"

namespace svrZIVE {

class cZIVET00 {
 public:
  int16_t ActOnline() const { return actOnline_; }
  void ActOnline(int16_t value) { actOnline_ = value; }
  const std::string& idioma() const { return idioma_; }
  void idioma(std::string value) { idioma_ = std::move(value); }

  // The stored language code without blanks around it; "C" without a row.
  std::string ObtenerIdioma();
  // The stored switch, read as trimmed text and converted to a 16-bit
  // integer; 0 without a row.
  int16_t ObtenerActOnline();
  // Writes `idioma` into every row.
  void GuardarIdioma();
  // Writes `ActOnline` into every row; returns Empty.
  Variant GuardarActOnline();

 private:
  int16_t actOnline_ = 0;
  std::string idioma_;
};

}  // namespace svrZIVE
