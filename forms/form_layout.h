// Form layouts as data. Every form detail table (T03_Tipologia1 and the
// others) is described once: its columns in table order, each with its
// database type, the record property that holds it and the property's type;
// the order of the save buffer where it is not the column order; the lines
// of the form (groups of like columns) and whether filled lines are packed
// to the front when a return is written; the spacing of its statements; the
// element that carries the return's final amount; the carry-forward query
// of a stock-accounting form.
//
// One piece of code (forms/form_record.h) builds every statement of every
// form from its layout. A new form is a new layout function: its columns
// (taken from the upgrade's description of the table where it has one), its
// spacing and its few real differences.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"

namespace svrZIVE::forms {

// The type a record property holds and a buffer element is converted to.
enum class PropertyType : uint8_t {
  Long,     // CLng
  Integer,  // CInt
  Double,   // CDbl
  Text,     // CStr
  Char,     // CStr, then its first character only
};

struct FormColumn {
  std::string name;      // "T03_BASEIMP"
  engine::DaoType dbType = engine::DaoType::Double;
  std::string property;  // "datT03_BASEIMP"
  PropertyType type = PropertyType::Double;
  bool isText() const { return type == PropertyType::Text || type == PropertyType::Char; }
};

// Numbered lines of a form: `lines` groups of `width` adjacent columns from
// `firstColumn` on (line n starts at firstColumn + width * (n - 1)). A packed
// block writes the lines whose column `usedMember` (0-based within the line)
// is not 0 first, in their order, and clears the lines after them (text
// columns to a single blank, numbers to 0).
struct LineBlock {
  int firstColumn = 1;
  int width = 1;
  int lines = 1;
  bool packed = false;
  int usedMember = 0;
};

// The insert statement: `head`, the column names each preceded by its
// separator, `tail`; then the values in column order separated by "," and ")".
// The separator before a column is `overrides` when it names the column, else
// `afterKey` for column 1, `lineStart` / `inLine` for the first / other
// columns of a line, `plain` for the rest.
struct InsertSpacing {
  std::string head;
  std::string afterKey;
  std::string plain;
  std::string lineStart;
  std::string inLine;
  std::string tail;
  std::map<int, std::string> overrides;
};

// The update: one statement per part, each `head`, then "NAME = value" items
// of the part's columns joined by `separator`, then `where` and the key.
struct UpdateSpacing {
  std::string head;
  std::string separator;
  // First and last column of each statement, as positions in the order the
  // statements write the columns (FormLayout::writtenColumn).
  std::vector<std::pair<int, int>> parts;
  std::string where;
};

// What an argument of the carry-forward query is. The year is a Long, or,
// where the form takes it as a Variant (EjercicioTexto), written as its text:
// a number as its digits, a text as it stands.
enum class CarryArgument : uint8_t { None, Declarante, Ejercicio, EjercicioTexto, Periodicidad, SecDec };

// The carry-forward query of a stock-accounting form, as fixed texts each
// followed by one argument (or none).
struct CarryForwardQuery {
  std::vector<std::pair<std::string, CarryArgument>> pieces;
  // True when the year is taken as a Variant.
  bool yearIsVariant() const {
    for (const auto& piece : pieces)
      if (piece.second == CarryArgument::EjercicioTexto) return true;
    return false;
  }
};

struct FormLayout {
  std::string table;         // as the statements spell it: "T03_Tipologia1"
  std::string recordClass;   // "cZIVET03_Tipologia1"
  std::string serviceClass;  // the class name the service's error texts carry
  std::vector<FormColumn> columns;
  // Buffer element e goes to column bufferOrder[e]; empty: element e to column e.
  std::vector<int> bufferOrder;
  // The insert's column list and values and the update's items follow the
  // buffer's order instead of the table's; a load of "Select *" still returns
  // the table's order.
  bool writeInBufferOrder = false;
  // The buffer element copied into the header's T02_IMPFIN on every save.
  std::optional<int> finalAmountElement;
  std::vector<LineBlock> lines;

  // Load: "Select * from TABLE where KEY =" when `loadStar`, else "Select "
  // with every column name joined by "," and " from TABLE where KEY =";
  // KEY is `loadKey`. Delete: "Delete from TABLE WHERE KEY = ".
  bool loadStar = true;
  std::string loadKey;
  InsertSpacing insert;
  UpdateSpacing update;
  std::optional<CarryForwardQuery> carryForward;
  // The model whose rates in force the form's service gives ("560", "561",
  // ...; forms/rate/rate_lookup.h); empty for the forms that look their
  // rates up otherwise or not at all.
  std::string rateModel;

  const std::string& keyName() const { return columns.front().name; }
  std::size_t bufferSize() const { return columns.size(); }
  int bufferColumn(int element) const { return bufferOrder.empty() ? element : bufferOrder[element]; }
  // The column the statements write at position p.
  int writtenColumn(int position) const { return writeInBufferOrder ? bufferColumn(position) : position; }
  // The column of a property (any letter case); -1 when the form has none.
  int columnOf(std::string_view property) const;
  // The separator written before column `column` in the insert's name list.
  std::string insertSeparator(int column) const;
};

// The layouts of the forms built so far.
const FormLayout& layoutTipologia1();   // form 560, T03_Tipologia1
const FormLayout& layoutTipologia2();   // form 561, T04_Tipologia2
const FormLayout& layoutTipologia3();   // form 562, T05_Tipologia3
const FormLayout& layoutTipologia4();   // form 563, T06_Tipologia4
const FormLayout& layoutTipologia5();   // form 564, T07_Tipologia5
const FormLayout& layoutTipologia5Nueva();  // form 564, new layout, T09_Tipologia5_Nueva
const FormLayout& layoutTipologia6();   // form 566, T08_Tipologia6
const FormLayout& layoutTipologia1_2015();  // form 560 from 2015, T19_Tipologia1
const FormLayout& layoutTipologia8();   // stock accounting, T10_Tipologia8
const FormLayout& layoutTipologia9();   // stock accounting, T11_Tipologia9
const FormLayout& layoutTipologia10();  // stock accounting, T12_Tipologia10
const FormLayout& layoutTipologia11();  // stock accounting, T13_Tipologia11
const FormLayout& layoutTipologia12();  // stock accounting, T14_Tipologia12
const FormLayout& layoutTipologia13();  // stock accounting, T15_Tipologia13
const FormLayout& layoutTipologia14();  // stock accounting, T16_Tipologia14
const FormLayout& layoutTipologia15();  // form 581, T17_Tipologia15
const FormLayout& layoutTipologia16();  // form 582, T18_Tipologia16

// --- Building layouts -------------------------------------------------------
// Each family keeps its layouts in its own folder (forms/rate/rate_layouts.cpp,
// forms/stock/stock_layouts.cpp, forms/regional/regional_layouts.cpp), built
// with these.

// What every detail table has in common: the record class named after the
// table, the key (the first column) held as a Long, the load and the update
// keyed on it, one update of every column after the key. The statements'
// spacing is each form's own.
FormLayout detailTable(std::string table, std::string serviceClass, std::vector<FormColumn> columns);

// The layout `make` builds, made once, on first use.
template <FormLayout (*make)()>
const FormLayout& madeOnce() {
  static const FormLayout layout = make();
  return layout;
}

// The position of column `name`; -1 when there is none.
int indexOf(const std::vector<FormColumn>& columns, std::string_view name);

// The positions of the named columns, in the order named (a buffer order).
std::vector<int> orderOf(const std::vector<FormColumn>& columns, const std::vector<std::string>& names);

// Gives column `column` the record property `property` (a name that is not
// "dat" and the column's).
void renameProperty(FormLayout& layout, std::string_view column, std::string property);

// The columns of a detail table as the upgrade leaves it (the first layout's
// table or the table the upgrade creates, with the fields the upgrade adds),
// in the table's order. `upperName` as the upgrade names it ("T03_TIPOLOGIA1").
std::vector<FormColumn> upgradedColumns(std::string_view upperName);

// The family of a column: its name without the trailing slot number
// ("T10_EXINI" of "T10_EXINI3"); the slot is that number (0 when none).
std::string_view familyOf(std::string_view column);
int slotOf(std::string_view column);

// Reorders columns stored slot by slot family by family: the key first, then
// each family in the order of its first column, its slots in order.
std::vector<FormColumn> familyByFamily(const std::vector<FormColumn>& slotBySlot);

// Holds the columns of `family` as `type` (material codes as Integers, say).
void holdAs(FormLayout& layout, std::string_view family, PropertyType type);

// Splits the update in statements, each from one of `firstColumns` (the
// first after the key is implied) to the column before the next.
void updateInParts(FormLayout& layout, const std::vector<std::string_view>& firstColumns);

// Pieces of a save-buffer order (FormLayout::bufferOrder), to be joined:
// the columns from `first` to `last`; and `groups` groups of `width`
// adjacent columns from `first` on read across, the first column of every
// group, then the second of every group, and so on.
std::vector<int> columnRun(int first, int last);
std::vector<int> acrossGroups(int first, int groups, int width);

}  // namespace svrZIVE::forms
