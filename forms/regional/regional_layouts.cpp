#include "forms/form_layout.h"

#include <string>
#include <utility>

namespace svrZIVE::forms {

namespace {

// The spacing both forms' statements share: "," before a line and ", " within
// it in the insert's column list, two blanks after the update's "set" and
// ", " between its items.
void statementSpacing(FormLayout& l, std::string afterKey) {
  l.insert.afterKey = std::move(afterKey);
  l.insert.plain = l.insert.lineStart = ",";
  l.insert.inLine = ", ";
  l.insert.tail = ") values (";
  l.update.head += " ";
  l.update.separator = ", ";
}

// --- Form 581 -----------------------------------------------------------------

constexpr int kT17Products = 7;
constexpr int kT17Deductions = 21;

FormLayout makeTipologia15() {
  // The service's error texts carry the name cZIVETipologia15_Nueva.
  FormLayout l = detailTable("T17_Tipologia15", "cZIVETipologia15_Nueva", upgradedColumns("T17_TIPOLOGIA15"));
  const int deductions = 1 + 4 * kT17Products;
  l.lines = {{1, 4, kT17Products, true, 1}, {deductions, 3, kT17Deductions, true, 2}};
  l.finalAmountElement = indexOf(l.columns, "T17_CUOTA");
  statementSpacing(l, " ,");
  return l;
}

}  // namespace

const FormLayout& layoutTipologia15() {
  static const FormLayout layout = makeTipologia15();
  return layout;
}

}  // namespace svrZIVE::forms
