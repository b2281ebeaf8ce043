// The declarant and the return header the declarations benchmarks save:
// the services' buffers, the raw statements that write the same rows, and
// the services' cycles on a database given by its path (a file or a link).
#pragma once

#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "base/variant.h"
#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "frame/zive_general.h"

namespace svrZIVE::bench {

inline Variant declarantBuffer(int i) {
  VariantArray b = VariantArray::vector(0, 15);
  b[1] = Variant("B" + std::to_string(10000000 + i % 90000000));
  b[2] = Variant("DESTILERIAS DEMO SA");
  b[3] = Variant("CL");
  b[4] = Variant("MAYOR");
  b[5] = Variant(int32_t{12});
  for (int32_t k : {6, 7, 8, 9}) b[k] = Variant("");
  b[10] = Variant(uint8_t{20});
  b[11] = Variant(int32_t{20001});
  b[12] = Variant(int16_t{69});
  b[13] = Variant("DONOSTIA");
  b[14] = Variant(int16_t{943});
  b[15] = Variant(int32_t{123456});
  return Variant(std::move(b));
}

inline std::string rawDeclarantInsert(int i) {
  return "INSERT INTO T01_DECLARANTES (T01_NIF,T01_NOMB,T01_SIGLDOM,T01_NOMDOM,T01_NUMDOM,T01_LETDOM,"
         "T01_ESCDOM,T01_PISDOM,T01_MANDOM,T01_PRODOM,T01_CPODOM,T01_MUNDOM,T01_NMUDOM,T01_PRETEL,T01_NUMTEL)"
         " VALUES ('B" + std::to_string(10000000 + i % 90000000) +
         "','DESTILERIAS DEMO SA','CL','MAYOR',12,'','','','',20,20001,69,'DONOSTIA',943,123456)";
}

inline Variant declarationBuffer(int32_t csde) {
  VariantArray b = VariantArray::vector(0, 12);
  b[1] = Variant(csde);
  b[2] = Variant(int32_t{2016});
  b[3] = Variant(uint8_t{1});
  b[4] = Variant(uint8_t{3});
  b[5] = Variant("560");
  b[6] = Variant(uint8_t{1});
  b[7] = Variant(1234.5);
  for (int32_t k = 8; k <= 12; ++k) b[k] = Variant("");
  return Variant(std::move(b));
}

inline std::string rawDeclarationInsert(int32_t csde) {
  return "INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,"
         "T02_IMPFIN,T02_CAE,T02_TTA,T02_NESTAB,T02_DIRESTAB,T02_ADMCOM) VALUES (" +
         std::to_string(csde) + ",2016,'1','03','560',1,1234.5,' ',' ',' ',' ',' ')";
}

// A declarant saved and loaded again, each iteration a new one.
inline void runDeclarantCycle(benchmark::State& state, const std::string& mdbmod) {
  cZIVEDeclarante service;
  service.mdbmod(mdbmod);
  int i = 0;
  for (auto _ : state) {
    Variant buffer = declarantBuffer(++i);
    int32_t csde = service.GuardarDeclarante(buffer);
    Variant loaded;
    service.CargarDeclarante(csde, loaded);
    benchmark::DoNotOptimize(loaded);
  }
  ZIVEGeneral::endThreadState();
}

// A return header saved for a new declarant, then that declarant's list.
inline void runDeclarationCycle(benchmark::State& state, const std::string& mdbmod) {
  cZIVEDeclaraciones service;
  service.mdbmod(mdbmod);
  int32_t csde = 1000000;
  for (auto _ : state) {
    Variant buffer = declarationBuffer(++csde);
    benchmark::DoNotOptimize(service.GuardarDeclaracion(buffer));
    Variant list = service.ObtenerDeclaraciones(csde);
    benchmark::DoNotOptimize(list);
  }
  ZIVEGeneral::endThreadState();
}

}  // namespace svrZIVE::bench
