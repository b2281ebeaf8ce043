#include "forms/form_layout.h"

#include <string>

namespace svrZIVE::forms {

namespace {

// --- Typology 8 -----------------------------------------------------------------

constexpr int kT10Families = 14;
constexpr int kT10Slots = 8;

FormLayout makeTipologia8() {
  // The upgrade creates the fields slot by slot; the form works family by family.
  FormLayout l = detailTable("T10_Tipologia8", "cZIVETipologia8",
                             familyByFamily(upgradedColumns("T10_TIPOLOGIA8"), kT10Families, kT10Slots));
  l.lines = {{1, kT10Slots, kT10Families, false, 0}};
  l.loadStar = false;
  l.loadKey = "T10_Tipologia8.T10_SECDEC";
  l.insert.afterKey = ", ";
  l.insert.plain = l.insert.lineStart = l.insert.inLine = ",";
  l.insert.tail = ") VALUES (";
  l.update.separator = ",";

  std::string exfin;
  for (int s = 1; s <= kT10Slots; ++s) exfin += (s > 1 ? ",T10_EXFIN" : "T10_EXFIN") + std::to_string(s);
  using A = CarryArgument;
  l.carryForward = CarryForwardQuery{{
      {"Select top 1 " + exfin +
           " from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on T02_Declaraciones.T02_Secdec = "
           "T10_Tipologia8.T10_Secdec  WHERE T02_Declaraciones.T02_CSDE = ",
       A::Declarante},
      {" and T02_Declaraciones.T02_Tipol = 8 and T02_Declaraciones.T02_PERDAD = '", A::Periodicidad},
      {"' and T02_Declaraciones.T02_EJER <= ", A::Ejercicio},
      {" AND T02_Declaraciones.T02_Secdec < ", A::SecDec},
      {" order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc", A::None},
  }};
  return l;
}

}  // namespace

const FormLayout& layoutTipologia8() {
  static const FormLayout layout = makeTipologia8();
  return layout;
}

}  // namespace svrZIVE::forms
