#include "forms/regional/cZIVET18_Tipologia16.h"

#include "base/automation_error.h"
#include "forms/regional/body_rates.h"
#include "frame/class_registry.h"

namespace svrZIVE {

cZIVET18_Tipologia16::cZIVET18_Tipologia16() : FormRecord(forms::layoutTipologia16()) {}

Variant cZIVET18_Tipologia16::ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom) {
  return annotate("cZIVET18_Tipologia16.ObtenerTipo", [&] {
    return forms::ratesForBody({"582", false}, lngEjercicio, intPeriodo, admcom);
  });
}

Variant cZIVET18_Tipologia16::cargarListaAdmCom(int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                                                 const std::string& idioma) {
  return annotate("cZIVET18_Tipologia16.cargarListaAdmCom",
                  [&] { return forms::bodiesWithRates("582", lngEjercicio, intPeriodo, epi, idioma); });
}

namespace {

using Self = cZIVET18_Tipologia16;

void addProperty(MemberTable<Self>& t, const forms::FormColumn& column) {
  const char* type = column.type == forms::PropertyType::Long ? "Long" : column.isText() ? "String" : "Double";
  const std::string& name = column.property;
  t.let(name, type, [name](Self& o, const Variant& v) { o.set(name, v); });
  t.get(name, type, [name](Self& o) { return o.get(name); });
}

TypeInfo buildMembers() {
  MemberTable<Self> t{std::string(Self::kClassName)};
  const forms::FormLayout& l = forms::layoutTipologia16();
  // The properties family by family in buffer order: the key and the
  // account, each of the seven line members for lines 1 to 8, the totals.
  constexpr int kLines = 8, kWidth = 7, kFirstLine = 2;
  for (int e = 0; e < kFirstLine; ++e) addProperty(t, l.columns[l.bufferColumn(e)]);
  for (int m = 0; m < kWidth; ++m)
    for (int line = 0; line < kLines; ++line) addProperty(t, l.columns[l.bufferColumn(kFirstLine + kWidth * line + m)]);
  for (int e = kFirstLine + kWidth * kLines; e < static_cast<int>(l.bufferSize()); ++e)
    addProperty(t, l.columns[l.bufferColumn(e)]);

  t.method("CargarDeclaracion", {}, "Variant", [](Self& o, CallArguments&) { return o.CargarDeclaracion(); });
  t.method("GuardarDeclaracion", {}, "", [](Self& o, CallArguments&) {
    o.GuardarDeclaracion();
    return Variant();
  });
  t.method("InsertarDeclaracion", {}, "", [](Self& o, CallArguments&) {
    o.InsertarDeclaracion();
    return Variant();
  });
  t.method("ObtenerTipo", {{"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"admcom", "String"}}, "Variant",
           [](Self& o, CallArguments& a) { return o.ObtenerTipo(a.lng(0), a.integer(1), a.text(2)); });
  t.method("BorrarDeclaracion", {}, "", [](Self& o, CallArguments&) {
    o.BorrarDeclaracion();
    return Variant();
  });
  t.method("cargarListaAdmCom",
           {{"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"epi", "String"}, {"idioma", "String"}}, "Variant",
           [](Self& o, CallArguments& a) { return o.cargarListaAdmCom(a.lng(0), a.integer(1), a.text(2), a.text(3)); });
  return std::move(t).build();
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<Self>(Self::kClassName, &Self::members);

}  // namespace

const TypeInfo& cZIVET18_Tipologia16::members() {
  static const TypeInfo info = buildMembers();
  return info;
}

}  // namespace svrZIVE
