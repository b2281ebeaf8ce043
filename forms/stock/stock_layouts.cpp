// The stock-accounting typologies 8 to 14. Each is its table as the upgrade
// leaves it, read family by family, with the same statement spacing; what
// differs is data: the property types of the material codes and keys, the
// save-buffer order where it is not the column order, the updates that run
// as two statements, and each carry-forward query as written.
#include "forms/form_layout.h"

#include <cctype>
#include <string>
#include <vector>

namespace svrZIVE::forms {

namespace {

using A = CarryArgument;
using Pieces = std::vector<std::pair<std::string, CarryArgument>>;

// The layout every typology starts from: the columns family by family, the
// load naming every column, one update statement, the insert spaced alike.
FormLayout stockTable(const std::string& table, const std::string& serviceClass, std::vector<FormColumn> columns) {
  FormLayout l = detailTable(table, serviceClass, std::move(columns));
  l.loadStar = false;
  l.loadKey = table + "." + l.keyName();
  l.insert.afterKey = ", ";
  l.insert.plain = l.insert.lineStart = l.insert.inLine = ",";
  l.insert.tail = ") VALUES (";
  l.update.separator = ",";
  return l;
}

FormLayout stockTable(const std::string& table, const std::string& serviceClass) {
  std::string upper = table;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return stockTable(table, serviceClass, familyByFamily(upgradedColumns(upper)));
}

// "F1,G1,F2,G2,...": the families' columns slot by slot, `inSlot` between
// the columns of one slot, `betweenSlots` between slots.
std::string bySlot(const std::vector<std::string>& families, int slots, const std::string& inSlot = ",",
                   const std::string& betweenSlots = ",") {
  std::string out;
  for (int s = 1; s <= slots; ++s)
    for (std::size_t f = 0; f < families.size(); ++f)
      out += (s == 1 && f == 0 ? "" : f == 0 ? betweenSlots : inSlot) + families[f] + std::to_string(s);
  return out;
}

// The carry-forward query: `select` and the list, the detail joined to the
// headers and the declarant, then the typology's own conditions, then the
// order of the previous returns.
CarryForwardQuery carryForward(const FormLayout& l, const std::string& select, const std::string& list,
                               Pieces conditions) {
  Pieces pieces{{select + list + " from " + l.table + " RIGHT JOIN T02_Declaraciones on "
                     "T02_Declaraciones.T02_Secdec = " + l.table + "." + l.keyName().substr(0, 4) +
                     "Secdec  WHERE T02_Declaraciones.T02_CSDE = ",
                 A::Declarante}};
  pieces.insert(pieces.end(), conditions.begin(), conditions.end());
  pieces.emplace_back(" order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc", A::None);
  return CarryForwardQuery{std::move(pieces)};
}

// The conditions of typologies 9, 11 and 13: the year before the periodicity.
Pieces yearThenPeriodicity(const std::string& typology) {
  return {{" and T02_Declaraciones.T02_Tipol = " + typology + " and T02_Declaraciones.T02_EJER <= ", A::Ejercicio},
          {" and T02_Declaraciones.T02_PERDAD = '", A::Periodicidad},
          {"' AND T02_Declaraciones.T02_Secdec < ", A::SecDec}};
}

std::vector<int> joined(std::initializer_list<std::vector<int>> runs) {
  std::vector<int> out;
  for (const auto& run : runs) out.insert(out.end(), run.begin(), run.end());
  return out;
}

// --- Typology 8: 14 families of 8 slots -------------------------------------------

FormLayout makeTipologia8() {
  FormLayout l = stockTable("T10_Tipologia8", "cZIVETipologia8");
  l.carryForward = carryForward(
      l, "Select top 1 ", bySlot({"T10_EXFIN"}, 8),
      {{" and T02_Declaraciones.T02_Tipol = 8 and T02_Declaraciones.T02_PERDAD = '", A::Periodicidad},
       {"' and T02_Declaraciones.T02_EJER <= ", A::Ejercicio},
       {" AND T02_Declaraciones.T02_Secdec < ", A::SecDec}});
  return l;
}

// --- Typology 9: materials and products, 6 slots each -------------------------------

FormLayout makeTipologia9() {
  FormLayout l = stockTable("T11_Tipologia9", "cZIVETipologia9");
  holdAs(l, "T11_PM_MATERIA", PropertyType::Integer);
  updateInParts(l, {"T11_MA_CLAVE1"});
  l.carryForward = carryForward(
      l, "Select top 1 ",
      bySlot({"T11_PM_MATERIA", "T11_PM_EXFIN"}, 6) + "," + bySlot({"T11_MA_CLAVE", "T11_MA_EXFIN"}, 6),
      yearThenPeriodicity("9"));
  return l;
}

// --- Typology 10: paired materials, two PPE lines, graded products -------------------

FormLayout makeTipologia10() {
  // The upgrade keeps the two PPE lines after the slots; the form puts them
  // between the materials and the products.
  std::vector<FormColumn> upgraded = upgradedColumns("T12_TIPOLOGIA10");
  const auto ppe = upgraded.begin() + indexOf(upgraded, "T12_PPE_CLAVE");
  std::vector<FormColumn> lines(ppe, upgraded.end());
  std::vector<FormColumn> columns = familyByFamily(std::vector<FormColumn>(upgraded.begin(), ppe));
  columns.insert(columns.begin() + indexOf(columns, "T12_PE_CLAVE1"), lines.begin(), lines.end());

  FormLayout l = stockTable("T12_Tipologia10", "cZIVETipologia10", std::move(columns));
  holdAs(l, "T12_PM_MATERIA", PropertyType::Integer);
  holdAs(l, "T12_PE_CLAVE", PropertyType::Integer);
  // The buffer: the materials, the products, then the PPE lines column by column.
  const int ppeFirst = indexOf(l.columns, "T12_PPE_CLAVE");
  const int products = indexOf(l.columns, "T12_PE_CLAVE1");
  const int last = static_cast<int>(l.columns.size()) - 1;
  l.bufferOrder = joined({columnRun(0, ppeFirst - 1), columnRun(products, last),
                          acrossGroups(ppeFirst, 2, (products - ppeFirst) / 2)});
  updateInParts(l, {"T12_PE_CLAVE1"});
  l.carryForward = carryForward(
      l, "Select top 1 ",
      bySlot({"T12_PM_MATERIA", "T12_PM_EXFINV", "T12_PM_EXFINL"}, 5) +
          ", T12_PPE_CLAVE, T12_PPE_EXFIN , T12_PPE_CLAVE1, T12_PPE_EXFIN1 , " +
          bySlot({"T12_PE_CLAVE", "T12_PE_GRADO", "T12_PE_EXFIN"}, 5, ", ", ","),
      {{" and  T02_Declaraciones.T02_Tipol = 10 and T02_Declaraciones.T02_EJER <= ", A::Ejercicio},
       {" and T02_Declaraciones.T02_PERDAD = '", A::Periodicidad},
       {"' AND T02_Declaraciones.T02_Secdec < ", A::SecDec}});
  return l;
}

// --- Typology 11: as 9, carrying the previous return's year and period too ----------

FormLayout makeTipologia11() {
  FormLayout l = stockTable("T13_Tipologia11", "cZIVETipologia11");
  holdAs(l, "T13_PM_MATERIA", PropertyType::Integer);
  updateInParts(l, {"T13_MB_CLAVE1"});
  l.carryForward = carryForward(l, "Select distinct top 1 ",
                                bySlot({"T13_PM_MATERIA", "T13_PM_EXFIN"}, 6) + "," +
                                    bySlot({"T13_MB_CLAVE", "T13_MB_EXFIN"}, 6) +
                                    ",T02_Declaraciones.T02_EJER,T02_Declaraciones.T02_PERNUM",
                                yearThenPeriodicity("11"));
  return l;
}

// --- Typology 12: ten material slots, six epigraph stock slots -----------------------

FormLayout makeTipologia12() {
  FormLayout l = stockTable("T14_Tipologia12", "cZIVETipologia12");
  // The buffer holds the materials slot by slot: material, kilos, EXTR.
  const int stock = indexOf(l.columns, "T14_CE_EPIG1");
  l.bufferOrder = joined({{0}, acrossGroups(1, 3, (stock - 1) / 3),
                          columnRun(stock, static_cast<int>(l.columns.size()) - 1)});
  updateInParts(l, {"T14_CE_EPIG1"});
  l.carryForward = carryForward(
      l, "Select top 1 ", bySlot({"T14_CE_EPIG", "T14_CE_EXFIN"}, 6),
      {{" and T02_Declaraciones.T02_Tipol = 12 and T02_Declaraciones.T02_EJER <= ", A::Ejercicio},
       {"  and T02_Declaraciones.T02_PERDAD = '", A::Periodicidad},
       {"' and T02_Declaraciones.T02_Secdec < ", A::SecDec}});
  return l;
}

// --- Typology 13: six epigraph slots, the closing stocks twice -----------------------

FormLayout makeTipologia13() {
  FormLayout l = stockTable("T15_Tipologia13", "cZIVETipologia13");
  l.carryForward = carryForward(l, "Select top 1 ",
                                bySlot({"T15_EPIG", "T15_EXFIN"}, 6) + "," + bySlot({"T15_EXFIN"}, 6),
                                yearThenPeriodicity("13"));
  return l;
}

// --- Typology 14: four epigraph slots, the year taken as a Variant -------------------

FormLayout makeTipologia14() {
  FormLayout l = stockTable("T16_Tipologia14", "cZIVETipologia14");
  Pieces conditions = yearThenPeriodicity("14");
  conditions.front().second = A::EjercicioTexto;
  l.carryForward = carryForward(l, "Select top 1 ", bySlot({"T16_EPIG", "T16_EXFIN"}, 4), std::move(conditions));
  return l;
}

}  // namespace

const FormLayout& layoutTipologia8() { return madeOnce<makeTipologia8>(); }
const FormLayout& layoutTipologia9() { return madeOnce<makeTipologia9>(); }
const FormLayout& layoutTipologia10() { return madeOnce<makeTipologia10>(); }
const FormLayout& layoutTipologia11() { return madeOnce<makeTipologia11>(); }
const FormLayout& layoutTipologia12() { return madeOnce<makeTipologia12>(); }
const FormLayout& layoutTipologia13() { return madeOnce<makeTipologia13>(); }
const FormLayout& layoutTipologia14() { return madeOnce<makeTipologia14>(); }

}  // namespace svrZIVE::forms
