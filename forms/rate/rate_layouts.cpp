#include "forms/form_layout.h"

namespace svrZIVE::forms {

namespace {

// --- Form 560 -----------------------------------------------------------------

FormLayout makeTipologia1() {
  FormLayout l = detailTable("T03_Tipologia1", "cZIVETipologia1", upgradedColumns("T03_TIPOLOGIA1"));
  renameProperty(l, "T03_BASEEXENTA", "datT03_BASEEXE");
  l.finalAmountElement = indexOf(l.columns, "T03_TOTALCUOTA_A");
  l.insert.afterKey = l.insert.plain = ", ";
  l.insert.tail = " ) values (";
  l.update.separator = ", ";
  return l;
}

}  // namespace

const FormLayout& layoutTipologia1() {
  static const FormLayout layout = makeTipologia1();
  return layout;
}

}  // namespace svrZIVE::forms
