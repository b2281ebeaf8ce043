#include <string>
#include <string_view>
#include <vector>

#include "forms/form_layout.h"

namespace svrZIVE::forms {

namespace {

// --- Form 560 -----------------------------------------------------------------

// Both layouts of form 560 write every column where it stands, with ", "
// between the names of the insert and between the items of the update, and
// take their rates from T04_TIPOS1.
FormLayout form560(std::string table, std::string serviceClass, std::vector<FormColumn> columns,
                   std::string_view finalAmount, std::string insertTail) {
  FormLayout l = detailTable(std::move(table), std::move(serviceClass), std::move(columns));
  l.finalAmountElement = indexOf(l.columns, finalAmount);
  l.insert.afterKey = l.insert.plain = ", ";
  l.insert.tail = std::move(insertTail);
  l.update.separator = ", ";
  l.rateModel = "560";
  return l;
}

FormLayout makeTipologia1() {
  FormLayout l = form560("T03_Tipologia1", "cZIVETipologia1", upgradedColumns("T03_TIPOLOGIA1"), "T03_TOTALCUOTA_A",
                         " ) values (");
  renameProperty(l, "T03_BASEEXENTA", "datT03_BASEEXE");
  return l;
}

// The 2015 layout: the 13 columns before the line groups the upgrade adds
// (a load still returns the whole row), with four properties named apart.
constexpr std::size_t kT19Columns = 13;

FormLayout makeTipologia1_2015() {
  std::vector<FormColumn> columns = upgradedColumns("T19_TIPOLOGIA1");
  columns.resize(kT19Columns);
  FormLayout l =
      form560("T19_Tipologia1", "cZIVETipologia1_2015", std::move(columns), "T19_CUOINTTOT", ") values (");
  renameProperty(l, "T19_REDUCC", "datT19_REDUCCI");
  renameProperty(l, "T19_CUOINTIND", "datT19_CUOTAINTIND");
  renameProperty(l, "T19_CUOINTOTR", "datT19_CUOTAINTOTR");
  renameProperty(l, "T19_CUOINTTOT", "datT19_CUOTAINTTOTAL");
  return l;
}

// --- The epigraph forms 561 to 566 ----------------------------------------------
// Lines of an epigraph code, a base, a rate and an amount (561: and a degree
// after the base), then the three totals, the last of them the final amount.
// A line is in use when its base is not 0; the forms that pack their lines
// write the lines in use first. Every one names the key, then ",CODE, BASE,
// ..." per line in its insert, and its update has two blanks after "set".

FormLayout epigraphForm(std::string table, std::string upperName, std::string serviceClass, std::string model,
                        int width, int lines, bool packed) {
  FormLayout l = detailTable(std::move(table), std::move(serviceClass), upgradedColumns(upperName));
  l.lines = {{1, width, lines, packed, 1}};
  l.finalAmountElement = static_cast<int>(l.columns.size()) - 1;
  l.insert.afterKey = " ,";
  l.insert.plain = l.insert.lineStart = ",";
  l.insert.inLine = ", ";
  l.insert.tail = ") values (";
  l.update.head += " ";
  l.update.separator = ", ";
  l.rateModel = std::move(model);
  return l;
}

FormLayout makeTipologia2() {
  FormLayout l = epigraphForm("T04_Tipologia2", "T04_TIPOLOGIA2", "cZIVETipologia2", "561", 5, 6, true);
  // "T04_BASIMP1,T04_GRAPLA1, T04_TIPO1", and a blank before the closing parenthesis.
  for (int n = 1; n <= 6; ++n) l.insert.overrides[indexOf(l.columns, "T04_GRAPLA" + std::to_string(n))] = ",";
  l.insert.tail = " ) values (";
  return l;
}

FormLayout makeTipologia3() {
  return epigraphForm("T05_Tipologia3", "T05_TIPOLOGIA3", "cZIVETipologia3", "562", 4, 4, false);
}

FormLayout makeTipologia4() {
  return epigraphForm("T06_Tipologia4", "T06_TIPOLOGIA4", "cZIVETipologia4", "563", 4, 2, false);
}

FormLayout makeTipologia5() {
  return epigraphForm("T07_Tipologia5", "T07_TIPOLOGIA5", "cZIVETipologia5", "564", 4, 16, true);
}

// The new layout adds 8 deduction lines (code, one-letter concept, amount),
// in use when their amount is not 0.
FormLayout makeTipologia5Nueva() {
  FormLayout l =
      epigraphForm("T09_Tipologia5_Nueva", "T09_TIPOLOGIA5_NUEVA", "cZIVETipologia5_Nueva", "564", 4, 12, true);
  l.lines.push_back({indexOf(l.columns, "T09_DEDEPI1"), 3, 8, true, 2});
  holdAs(l, "T09_DEDCON", PropertyType::Char);
  return l;
}

FormLayout makeTipologia6() {
  return epigraphForm("T08_Tipologia6", "T08_TIPOLOGIA6", "cZIVETipologia6", "566", 4, 6, true);
}

}  // namespace

const FormLayout& layoutTipologia1() { return madeOnce<makeTipologia1>(); }
const FormLayout& layoutTipologia1_2015() { return madeOnce<makeTipologia1_2015>(); }
const FormLayout& layoutTipologia2() { return madeOnce<makeTipologia2>(); }
const FormLayout& layoutTipologia3() { return madeOnce<makeTipologia3>(); }
const FormLayout& layoutTipologia4() { return madeOnce<makeTipologia4>(); }
const FormLayout& layoutTipologia5() { return madeOnce<makeTipologia5>(); }
const FormLayout& layoutTipologia5Nueva() { return madeOnce<makeTipologia5Nueva>(); }
const FormLayout& layoutTipologia6() { return madeOnce<makeTipologia6>(); }

}  // namespace svrZIVE::forms
