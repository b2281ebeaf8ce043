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
  // A record holds an integer column as an Integer, a text as a text, any
  // other number as a Double (the key, whatever its field, as a Long).
  c.type = def.isText() ? PropertyType::Text
           : def.type == engine::DaoType::Integer ? PropertyType::Integer
                                                  : PropertyType::Double;
  return c;
}

}  // namespace

int indexOf(const std::vector<FormColumn>& columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return static_cast<int>(i);
  return -1;
}

std::vector<int> orderOf(const std::vector<FormColumn>& columns, const std::vector<std::string>& names) {
  std::vector<int> order;
  for (const std::string& name : names) {
    int i = indexOf(columns, name);
    if (i < 0) throw std::logic_error("form layout: no column " + name);
    order.push_back(i);
  }
  return order;
}

namespace {
// Every table's key is held as a Long, whatever the field's type.
void keyAsLong(std::vector<FormColumn>& columns) { columns.front().type = PropertyType::Long; }
}  // namespace

void renameProperty(FormLayout& layout, std::string_view column, std::string property) {
  int i = indexOf(layout.columns, column);
  if (i < 0) throw std::logic_error("form layout: no column " + std::string(column));
  layout.columns[i].property = std::move(property);
}

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
    // The fields whose positions the step raises make room for the fields it
    // added: they come after them.
    if (step.raised.empty()) continue;
    int last = -1;
    for (const upgrade::FieldAddition& addition : step.fields)
      last = std::max(last, indexOf(columns, upgrade::parseColumn(addition.column, addition.last,
                                                                  upgrade::NumberDefault::None).name));
    for (std::string_view name : step.raised) {
      int i = indexOf(columns, name);
      if (i < 0 || i > last) continue;
      FormColumn moved = std::move(columns[i]);
      columns.erase(columns.begin() + i);
      columns.insert(columns.begin() + last, std::move(moved));
    }
  }
  return columns;
}

std::string_view familyOf(std::string_view column) {
  std::size_t end = column.size();
  while (end > 0 && column[end - 1] >= '0' && column[end - 1] <= '9') --end;
  return column.substr(0, end);
}

int slotOf(std::string_view column) {
  std::string_view digits = column.substr(familyOf(column).size());
  return digits.empty() ? 0 : std::stoi(std::string(digits));
}

std::vector<FormColumn> familyByFamily(const std::vector<FormColumn>& slotBySlot) {
  std::vector<FormColumn> out{slotBySlot.front()};
  std::vector<std::string_view> families;
  for (std::size_t i = 1; i < slotBySlot.size(); ++i) {
    std::string_view family = familyOf(slotBySlot[i].name);
    if (std::find(families.begin(), families.end(), family) == families.end()) families.push_back(family);
  }
  for (std::string_view family : families) {
    std::vector<FormColumn> slots;
    for (std::size_t i = 1; i < slotBySlot.size(); ++i)
      if (familyOf(slotBySlot[i].name) == family) slots.push_back(slotBySlot[i]);
    std::stable_sort(slots.begin(), slots.end(),
                     [](const FormColumn& a, const FormColumn& b) { return slotOf(a.name) < slotOf(b.name); });
    out.insert(out.end(), slots.begin(), slots.end());
  }
  return out;
}

void holdAs(FormLayout& layout, std::string_view family, PropertyType type) {
  int held = 0;
  for (FormColumn& c : layout.columns)
    if (familyOf(c.name) == family) c.type = type, ++held;
  if (held == 0) throw std::logic_error("form layout: no family " + std::string(family));
}

void updateInParts(FormLayout& layout, const std::vector<std::string_view>& firstColumns) {
  const int last = static_cast<int>(layout.columns.size()) - 1;
  layout.update.parts.clear();
  int first = 1;
  for (std::string_view name : firstColumns) {
    int next = indexOf(layout.columns, name);
    if (next <= first) throw std::logic_error("form layout: no update part from " + std::string(name));
    layout.update.parts.emplace_back(first, next - 1);
    first = next;
  }
  layout.update.parts.emplace_back(first, last);
}

std::vector<int> columnRun(int first, int last) {
  std::vector<int> out;
  for (int c = first; c <= last; ++c) out.push_back(c);
  return out;
}

std::vector<int> acrossGroups(int first, int groups, int width) {
  std::vector<int> out;
  for (int m = 0; m < width; ++m)
    for (int g = 0; g < groups; ++g) out.push_back(first + g * width + m);
  return out;
}

}  // namespace svrZIVE::forms
