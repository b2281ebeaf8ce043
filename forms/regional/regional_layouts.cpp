#include "forms/form_layout.h"

#include <string>
#include <utility>
#include <vector>

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

// --- Form 582 -----------------------------------------------------------------

constexpr int kT18Lines = 8;

FormLayout makeTipologia16() {
  FormLayout l = detailTable("T18_Tipologia16", "cZIVETipologia16_Nueva", upgradedColumns("T18_TIPOLOGIA16"));
  // The table keeps a line's body code before its second and third rates; the
  // buffer and the statements put it after them.
  std::vector<std::string> buffer{"T18_SECDEC", "T18_CUENTA"};
  for (int i = 1; i <= kT18Lines; ++i) {
    const std::string n = std::to_string(i);
    for (const char* member : {"CODEPI", "BASIMP", "TIPODEV", "REX_TIPO", "DIF_TIPO", "REX_AC", "CUOTA"})
      buffer.push_back("T18_" + std::string(member) + n);
    renameProperty(l, "T18_REX_TIPO" + n, "datT18_TIPOREX" + n);
    renameProperty(l, "T18_DIF_TIPO" + n, "datT18_TIPODIF" + n);
    renameProperty(l, "T18_REX_AC" + n, "datT18_ADMCOM" + n);
  }
  for (const char* total : {"T18_IMPING", "T18_IMPDEV", "T18_CUOINT"}) buffer.push_back(total);
  l.bufferOrder = orderOf(l.columns, buffer);
  l.writeInBufferOrder = true;
  l.lines = {{2, 7, kT18Lines, true, 1}};
  l.finalAmountElement = indexOf(l.columns, "T18_CUOINT");
  statementSpacing(l, ", ");
  l.insert.overrides = {{indexOf(l.columns, "T18_CODEPI1"), " ,"}};  // "T18_CUENTA ,T18_CODEPI1"
  return l;
}

}  // namespace

const FormLayout& layoutTipologia15() { return madeOnce<makeTipologia15>(); }

const FormLayout& layoutTipologia16() { return madeOnce<makeTipologia16>(); }

}  // namespace svrZIVE::forms
