// FormRecord: one detail row of a form, held as the values of its layout's
// columns (one variant per column, of the column's property type), and the
// statements of its table, all built from the layout.
//
// The record classes of the forms (cZIVET03_Tipologia1 and the others) are
// FormRecords of their layout; their `dat...` properties are read and set by
// name:
//
//   cZIVET03_Tipologia1 detalle;
//   detalle.set("datT03_BASEIMP", Variant(1234.5));
//   double base = detalle.get("datT03_BASEIMP").asDouble();
//
// The record works on the database the service opened, through the thread's
// shared connection.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "forms/form_layout.h"
#include "frame/statement.h"
#include "base/variant.h"

namespace svrZIVE::forms {

// The conversion of a buffer element or property value to a property type:
// CLng, CInt, CDbl, CStr (Char: CStr, then its first character).
Variant convertTo(PropertyType type, const Variant& value);

// The value a property holds until it is set: 0, or the empty text.
Variant initialValue(PropertyType type);

// "Exactly True": the value True (Boolean True, or a number equal to -1).
bool isExactlyTrue(const Variant& flag);

// The values of a packed layout as its statements write them: in each packed
// block the lines in use first, in their order, then cleared lines (a single
// blank in text columns, 0 in the others). Other columns stay as they are.
std::vector<Variant> packLines(const FormLayout& layout, const std::vector<Variant>& values);

class FormRecord {
 public:
  explicit FormRecord(const FormLayout& layout);
  virtual ~FormRecord() = default;
  FormRecord(const FormRecord&) = default;
  FormRecord& operator=(const FormRecord&) = delete;

  const FormLayout& layout() const { return *layout_; }

  // --- Properties, by name (Property Get / Let) -------------------------------
  // Unknown names raise 438 (the object has no such property).
  const Variant& get(std::string_view property) const;
  // Stores the value converted to the property's type (conversion errors pass on).
  void set(std::string_view property, const Variant& value);
  // By column.
  const Variant& value(int column) const { return values_.at(static_cast<std::size_t>(column)); }
  void setValue(int column, const Variant& value);
  const std::vector<Variant>& values() const { return values_; }

  int32_t secdec() const { return values_.front().asLong(); }
  void setSecdec(int32_t secdec) { values_.front() = Variant(secdec); }

  // Sets every property from a save buffer, in element order, converting
  // each element to its property's type. A buffer that is not an array, is
  // too short or holds an element that does not convert raises, and the
  // record is then only partly set.
  void fromBuffer(const Variant& vBuffer);

  // --- Operations ------------------------------------------------------------
  // The row of datSECDEC in the single-record shape; Null when there is none.
  // Failures pass on unchanged.
  Variant CargarDeclaracion();
  // Updates the row of datSECDEC (every column but the key); a return without
  // a row is left without one. Annotates with "<record class>.GuardarDeclaracion".
  void GuardarDeclaracion();
  // Inserts the row. Annotates with "<record class>.InsertarDeclaracion".
  void InsertarDeclaracion();
  // Deletes the row of datSECDEC. Annotates with "<record class>.BorrarDeclaracion".
  bool BorrarDeclaracion();

  // --- The statements, as they run ---------------------------------------------
  Statement loadStatement() const;
  Statement insertStatement() const;
  std::vector<Statement> updateStatements() const;
  Statement deleteStatement() const;

 private:
  void writeValue(Statement& s, int column, const Variant& value) const;

  const FormLayout* layout_;
  std::vector<Variant> values_;
};

}  // namespace svrZIVE::forms
