#include "forms/form_layout.h"

namespace svrZIVE::forms {

namespace {

// --- Form 581 -----------------------------------------------------------------

constexpr int kT17Products = 7;
constexpr int kT17Deductions = 21;

FormLayout makeTipologia15() {
  // The service's error texts carry the name cZIVETipologia15_Nueva.
  FormLayout l = detailTable("T17_Tipologia15", "cZIVETipologia15_Nueva", upgradedColumns("T17_TIPOLOGIA15"));
  const int deductions = 1 + 4 * kT17Products;
  l.lines = {{1, 4, kT17Products, true, 1}, {deductions, 3, kT17Deductions, true, 2}};
  l.finalAmountElement = indexOf(l.columns, "T17_CUOTA");
  l.insert.afterKey = " ,";
  l.insert.plain = l.insert.lineStart = ",";
  l.insert.inLine = ", ";
  l.insert.tail = ") values (";
  l.update.head += " ";  // two blanks after "set"
  l.update.separator = ", ";
  return l;
}

}  // namespace

const FormLayout& layoutTipologia15() {
  static const FormLayout layout = makeTipologia15();
  return layout;
}

}  // namespace svrZIVE::forms
