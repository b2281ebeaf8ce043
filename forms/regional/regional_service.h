// What the services of the regional-rate forms (581, 582) share: the form
// service and the rates of an administrative body, which a fresh record of
// the form looks up on the reference database.
#pragma once

#include <cstdint>
#include <string>

#include "forms/form_service_class.h"

namespace svrZIVE::forms {

template <class Record>
class RegionalService : public FormService<Record> {
 protected:
  // The record's ObtenerTipo for the body; lngSecDec goes into the record
  // and has no effect. Annotates with "<service>.ObtenerTipo".
  static Variant ratesOfBody(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom) {
    return FormService<Record>::onReference("ObtenerTipo", [&](Record& detalle) {
      detalle.setSecdec(lngSecDec);
      return detalle.ObtenerTipo(lngEjercicio, intPeriodo, admcom);
    });
  }

  // The form members and the lookup by body under the form's own name.
  template <class Self>
  static void addRegionalMembers(MemberTable<Self>& t, std::string lookup) {
    addFormMembers(t);
    t.method(std::move(lookup),
             {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"admcom", "String"}},
             "Variant",
             [](Self&, CallArguments& a) { return ratesOfBody(a.lng(0), a.lng(1), a.integer(2), a.text(3)); });
  }
};

}  // namespace svrZIVE::forms
