#include "forms/form_layout.h"

#include <algorithm>
#include <stdexcept>

#include "frame/automation.h"
#include "upgrade/base_layout.h"
#include "upgrade/layout.h"
#include "upgrade/schema_steps.h"

namespace svrZIVE::forms {

namespace {

FormColumn formColumn(const upgrade::ColumnDef& def) {
  FormColumn c;
  c.name = def.name;
  c.dbType = def.type;
  c.property = "dat" + def.name;
  c.type = def.isText() ? PropertyType::Text : PropertyType::Double;
  return c;
}

int indexOf(const std::vector<FormColumn>& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return static_cast<int>(i);
  return -1;
}

// Every table's key is held as a Long, whatever the field's type.
void keyAsLong(std::vector<FormColumn>& columns) { columns.front().type = PropertyType::Long; }

void renameProperty(FormLayout& layout, std::string_view column, std::string property) {
  int i = indexOf(layout.columns, column);
  if (i < 0) throw std::logic_error("form layout: no column " + std::string(column));
  layout.columns[i].property = std::move(property);
}

// What every detail table has in common: the record class named after the
// table, the key (the first column) held as a Long, the load and the update
// keyed on it, one update of every column after the key. The statements'
// spacing is each form's own.
FormLayout detailTable(std::string table, std::string serviceClass, std::vector<FormColumn> columns) {
  FormLayout l;
  l.recordClass = "cZIVE" + table;
  l.serviceClass = std::move(serviceClass);
  l.columns = std::move(columns);
  keyAsLong(l.columns);
  l.loadKey = l.keyName();
  l.insert.head = "insert into " + table + " (";
  l.update.head = "Update " + table + " set ";
  l.update.parts = {{1, static_cast<int>(l.columns.size()) - 1}};
  l.update.where = " WHERE " + l.keyName() + " = ";
  l.table = std::move(table);
  return l;
}

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

int FormLayout::columnOf(std::string_view property) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (sameName(columns[i].property, property)) return static_cast<int>(i);
  return -1;
}

std::string FormLayout::insertSeparator(int column) const {
  if (auto it = insert.overrides.find(column); it != insert.overrides.end()) return it->second;
  if (column == 1) return insert.afterKey;
  for (const LineBlock& block : lines) {
    int offset = column - block.firstColumn;
    if (offset >= 0 && offset < block.width * block.lines)
      return offset % block.width == 0 ? insert.lineStart : insert.inLine;
  }
  return insert.plain;
}

const FormLayout& layoutTipologia1() {
  static const FormLayout layout = makeTipologia1();
  return layout;
}

const FormLayout& layoutTipologia8() {
  static const FormLayout layout = makeTipologia8();
  return layout;
}

const FormLayout& layoutTipologia15() {
  static const FormLayout layout = makeTipologia15();
  return layout;
}

std::vector<FormColumn> upgradedColumns(std::string_view upperName) {
  std::vector<FormColumn> columns;
  if (const upgrade::TableStep* step = upgrade::findTableStep(upperName)) {
    for (const upgrade::ColumnDef& def : upgrade::tableColumns(*step)) columns.push_back(formColumn(def));
  } else {
    for (const upgrade::TableLayout& table : upgrade::baseLayout())
      if (table.name == upperName)
        for (const upgrade::ColumnDef& def : table.columns) columns.push_back(formColumn(def));
  }
  if (columns.empty()) throw std::logic_error("form layout: the upgrade has no table " + std::string(upperName));

  // The fields the upgrade adds to the table, each where its step puts it.
  for (const upgrade::FieldStep& step : upgrade::fieldSteps()) {
    if (step.table != upperName) continue;
    for (const upgrade::FieldAddition& addition : step.fields) {
      for (int line = addition.first; line <= addition.last; ++line) {
        FormColumn c = formColumn(upgrade::parseColumn(addition.column, line, upgrade::NumberDefault::None));
        if (indexOf(columns, c.name) >= 0) continue;
        auto at = columns.end();
        if (addition.position.kind == upgrade::Position::After) {
          int anchor = indexOf(columns, addition.position.field);
          int i = anchor + addition.position.value + addition.position.stride * (line - 1);
          if (anchor >= 0 && i >= 0 && i <= static_cast<int>(columns.size())) at = columns.begin() + i;
        } else if (addition.position.kind == upgrade::Position::Fixed) {
          int i = addition.position.value;
          if (i >= 0 && i <= static_cast<int>(columns.size())) at = columns.begin() + i;
        }
        columns.insert(at, std::move(c));
      }
    }
  }
  return columns;
}

std::vector<FormColumn> familyByFamily(const std::vector<FormColumn>& slotBySlot, int families, int slots) {
  if (static_cast<int>(slotBySlot.size()) != 1 + families * slots)
    throw std::logic_error("form layout: " + std::to_string(slotBySlot.size()) + " columns are not " +
                           std::to_string(families) + " families of " + std::to_string(slots));
  std::vector<FormColumn> out{slotBySlot.front()};
  for (int f = 0; f < families; ++f)
    for (int s = 0; s < slots; ++s) out.push_back(slotBySlot[1 + s * families + f]);
  return out;
}

}  // namespace svrZIVE::forms
