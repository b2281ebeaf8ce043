// What every rate-based form has beside the form pattern: its record gives
// the rates of its layout's model in force (forms/rate/rate_lookup.h), and
// its service opens the reference database for them and offers them as
// "ObtenerTipo" and the model ("ObtenerTipo561"). A form is then its layout
// and two short classes:
//
//   class cZIVET04_Tipologia2 : public forms::RateRecord {
//    public:
//     cZIVET04_Tipologia2() : RateRecord(forms::layoutTipologia2()) {}
//   };
//   class cZIVETipologia2 : public forms::RateService<cZIVET04_Tipologia2> {
//    public:
//     static constexpr std::string_view kClassName = "cZIVETipologia2";
//     Variant ObtenerTipo561(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
//       return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
//     }
//   };
#pragma once

#include <cstdint>
#include <string>

#include "base/automation_error.h"
#include "forms/detail_form_record.h"
#include "forms/form_service_class.h"
#include "forms/rate/rate_lookup.h"

namespace svrZIVE::forms {

class RateRecord : public DetailFormRecord {
 public:
  using DetailFormRecord::DetailFormRecord;

  // The rates of the layout's model in force for the year and period, on
  // the database the service opened. Annotates with "<record class>.ObtenerTipo".
  Variant ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo) {
    return annotate(layout().recordClass + ".ObtenerTipo",
                    [&] { return ratesInForce(layout().rateModel, lngEjercicio, intPeriodo); });
  }
};

template <class Record>
class RateService : public FormService<Record> {
 public:
  template <class Self>
  static void addMembers(MemberTable<Self>& t) {
    addFormMembers(t);
    t.method("ObtenerTipo" + Record().layout().rateModel,
             {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.obtenerTipo(a.lng(0), a.lng(1), a.integer(2)); });
  }

 protected:
  // The rates in force, on the reference database; lngSecDec goes into the
  // record and has no effect. Annotates with "<service>.ObtenerTipo".
  Variant obtenerTipo(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    Record detalle;
    return annotate(serviceText(detalle.layout(), "ObtenerTipo"), [&] {
      detalle.setSecdec(lngSecDec);
      abrirReferencia();
      Variant tipos = detalle.ObtenerTipo(lngEjercicio, intPeriodo);
      cerrar();
      return tipos;
    });
  }
};

}  // namespace svrZIVE::forms
