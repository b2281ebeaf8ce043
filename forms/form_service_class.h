// What every form service class has, written once: the path properties,
// CargarDeclaracion and GuardarDeclaracion on a fresh record of the form's
// record class, and, for the stock-accounting forms, CargarExisFinales.
// A form's service class derives from one of these, names itself and adds
// only what is its own (its rate lookups, with their members):
//
//   class cZIVETipologia1 : public forms::FormService<cZIVET03_Tipologia1> {
//    public:
//     static constexpr std::string_view kClassName = "cZIVETipologia1";
//     Variant ObtenerTipo560(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo);
//     static void addMembers(MemberTable<cZIVETipologia1>& t);  // addFormMembers, then its own
//   };
//
//   const bool kRegistered = forms::registerFormService<cZIVETipologia1>();
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/automation_error.h"
#include "base/variant.h"
#include "forms/form_service.h"
#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/service_paths.h"

namespace svrZIVE::forms {

// mdbmod, mdblec, CargarDeclaracion and GuardarDeclaracion.
template <class Self>
MemberTable<Self>& addFormMembers(MemberTable<Self>& t) {
  addPathProperties(t);
  t.method("CargarDeclaracion", {{"lngSecDec", "Long"}}, "Variant",
           [](Self& o, CallArguments& a) { return o.CargarDeclaracion(a.lng(0)); });
  t.method("GuardarDeclaracion", {{"vBuffer", "Variant"}, {"blnInsertar", "Boolean"}}, "Variant",
           [](Self& o, CallArguments& a) { return o.GuardarDeclaracion(a[0], a[1]); });
  return t;
}

// The form members and CargarExisFinales, whose year is a Long, or a
// Variant passed on as it comes where the layout's query takes it so.
template <class Self>
MemberTable<Self>& addStockMembers(MemberTable<Self>& t) {
  addFormMembers(t);
  const bool yearIsVariant = typename Self::DetailRecordClass().layout().carryForward->yearIsVariant();
  t.method("CargarExisFinales",
           {{"lngEjercicio", yearIsVariant ? "Variant" : "Long"},
            {"strPeriodicidad", "String"},
            {"lngSecDec", "Long"},
            {"lngDeclarante", "Long"}},
           "Variant", [yearIsVariant](Self& o, CallArguments& a) {
             Variant year = yearIsVariant ? a[0] : Variant(a.lng(0));
             return o.CargarExisFinales(year, a.text(1), a.lng(2), a.lng(3));
           });
  return t;
}

template <class Record>
class FormService : public ServicePaths {
 public:
  using DetailRecordClass = Record;

  // The detail row (elements in column order), or Null.
  // Annotates with "<service>.CargarDeclaracion".
  Variant CargarDeclaracion(int32_t lngSecDec) {
    Record detalle;
    return cargarDeclaracion(detalle, lngSecDec);
  }
  // Writes the detail row (insert when blnInsertar is exactly True, update
  // otherwise) and, for the forms that have one, the header's final amount;
  // returns Empty. The buffer is converted before any database is opened.
  // Annotates with "<service>.GuardarDeclaracion".
  Variant GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar) {
    Record detalle;
    return guardarDeclaracion(detalle, vBuffer, blnInsertar);
  }

  template <class Self>
  static void addMembers(MemberTable<Self>& t) {
    addFormMembers(t);
  }

 protected:
  // A rate lookup: `lookup` runs on a fresh record with the reference
  // database open. Annotates with "<service>.<operation>".
  template <class Lookup>
  static Variant onReference(std::string_view operation, Lookup lookup) {
    Record detalle;
    return annotate(serviceText(detalle.layout(), operation), [&] {
      abrirReferencia();
      Variant result = lookup(detalle);
      cerrar();
      return result;
    });
  }
};

// A stock-accounting service: the form service and the carry forward.
template <class Record>
class StockService : public FormService<Record> {
 public:
  // The closing stocks of the declarant's previous return (same typology and
  // periodicity, year not later, number lower), table shaped, or Null.
  // Annotates with "<service>.CargarExisFinales".
  Variant CargarExisFinales(const Variant& lngEjercicio, const std::string& strPeriodicidad, int32_t lngSecDec,
                            int32_t lngDeclarante) {
    Record detalle;
    return annotate(serviceText(detalle.layout(), "CargarExisFinales"), [&] {
      abrirModificable();
      Variant existencias = detalle.CargarExisFinales(lngEjercicio, strPeriodicidad, lngSecDec, lngDeclarante);
      cerrar();
      return existencias;
    });
  }

  template <class Self>
  static void addMembers(MemberTable<Self>& t) {
    addStockMembers(t);
  }
};

// The member table of a form service: Service::addMembers on a table named
// Service::kClassName.
template <class Service>
const TypeInfo& formServiceMembers() {
  static const TypeInfo info = [] {
    MemberTable<Service> t{std::string(Service::kClassName)};
    Service::addMembers(t);
    return std::move(t).build();
  }();
  return info;
}

// Plugs a form service class into the registry of public classes.
template <class Service>
bool registerFormService() {
  return registerPublicClass<Service>(Service::kClassName, formServiceMembers<Service>);
}

}  // namespace svrZIVE::forms
