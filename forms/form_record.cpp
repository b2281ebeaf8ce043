#include "forms/form_record.h"

#include <string>

#include "engine/dao.h"
#include "base/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::forms {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

// A cleared column of a packed line.
Variant clearedValue(PropertyType type) {
  switch (type) {
    case PropertyType::Text:
    case PropertyType::Char: return Variant(std::string(" "));
    case PropertyType::Long: return Variant(int32_t{0});
    case PropertyType::Integer: return Variant(int16_t{0});
    case PropertyType::Double: break;
  }
  return Variant(0.0);
}

bool isZero(const Variant& value) {
  if (value.isString()) return false;
  return value.toDouble() == 0;
}

}  // namespace

Variant convertTo(PropertyType type, const Variant& value) {
  switch (type) {
    case PropertyType::Long: return Variant(value.toLong());
    case PropertyType::Integer: return Variant(value.toInteger());
    case PropertyType::Double: return Variant(value.toDouble());
    case PropertyType::Text: return Variant(value.toText());
    case PropertyType::Char: {
      std::string text = value.toText();
      return Variant(text.substr(0, text.empty() ? 0 : 1));
    }
  }
  return value;
}

Variant initialValue(PropertyType type) {
  switch (type) {
    case PropertyType::Long: return Variant(int32_t{0});
    case PropertyType::Integer: return Variant(int16_t{0});
    case PropertyType::Double: return Variant(0.0);
    case PropertyType::Text:
    case PropertyType::Char: break;
  }
  return Variant(std::string());
}

bool isExactlyTrue(const Variant& flag) {
  if (flag.type() == VarType::Boolean) return flag.asBoolean();
  if (flag.isNumeric()) return flag.toDouble() == -1;
  return false;
}

std::vector<Variant> packLines(const FormLayout& layout, const std::vector<Variant>& values) {
  std::vector<Variant> out = values;
  for (const LineBlock& block : layout.lines) {
    if (!block.packed) continue;
    int slot = 0;
    auto column = [&](int line, int member) { return block.firstColumn + block.width * line + member; };
    for (int line = 0; line < block.lines; ++line) {
      if (isZero(values[column(line, block.usedMember)])) continue;
      for (int m = 0; m < block.width; ++m) out[column(slot, m)] = values[column(line, m)];
      ++slot;
    }
    for (; slot < block.lines; ++slot)
      for (int m = 0; m < block.width; ++m)
        out[column(slot, m)] = clearedValue(layout.columns[column(slot, m)].type);
  }
  return out;
}

// --- FormRecord --------------------------------------------------------------

FormRecord::FormRecord(const FormLayout& layout) : layout_(&layout) {
  values_.reserve(layout.columns.size());
  for (const FormColumn& c : layout.columns) values_.push_back(initialValue(c.type));
}

const Variant& FormRecord::get(std::string_view property) const {
  int column = layout_->columnOf(property);
  if (column < 0) raiseRuntimeError(kNoSuchMember);
  return values_[column];
}

void FormRecord::set(std::string_view property, const Variant& value) {
  int column = layout_->columnOf(property);
  if (column < 0) raiseRuntimeError(kNoSuchMember);
  setValue(column, value);
}

void FormRecord::setValue(int column, const Variant& value) {
  values_.at(static_cast<std::size_t>(column)) = convertTo(layout_->columns[column].type, value);
}

void FormRecord::fromBuffer(const Variant& vBuffer) {
  const VariantArray& buffer = vBuffer.array();
  const int elements = static_cast<int>(layout_->bufferSize());
  for (int e = 0; e < elements; ++e) setValue(layout_->bufferColumn(e), buffer[e]);
}

void FormRecord::writeValue(Statement& s, int column, const Variant& value) const {
  switch (layout_->columns[column].type) {
    case PropertyType::Long: s << value.asLong(); break;
    case PropertyType::Integer: s << value.asInteger(); break;
    case PropertyType::Double: s << value.asDouble(); break;
    case PropertyType::Text:
    case PropertyType::Char: s << "'" << value.asString() << "'"; break;
  }
}

Statement FormRecord::loadStatement() const {
  Statement s;
  if (layout_->loadStar) {
    s << "Select * from ";
  } else {
    s << "Select ";
    for (std::size_t c = 0; c < layout_->columns.size(); ++c) {
      if (c > 0) s << ",";
      s.fixed(layout_->columns[c].name);
    }
    s << " from ";
  }
  s.fixed(layout_->table);
  s << " where ";
  s.fixed(layout_->loadKey);
  s << " =" << secdec();
  return s;
}

Statement FormRecord::insertStatement() const {
  const std::vector<Variant> written = packLines(*layout_, values_);
  const int n = static_cast<int>(layout_->columns.size());
  Statement s;
  s.fixed(layout_->insert.head);
  s.fixed(layout_->columns[layout_->writtenColumn(0)].name);
  for (int p = 1; p < n; ++p) {
    int c = layout_->writtenColumn(p);
    s.fixed(layout_->insertSeparator(c));
    s.fixed(layout_->columns[c].name);
  }
  s.fixed(layout_->insert.tail);
  for (int p = 0; p < n; ++p) {
    if (p > 0) s << ",";
    int c = layout_->writtenColumn(p);
    writeValue(s, c, written[c]);
  }
  s << ")";
  return s;
}

std::vector<Statement> FormRecord::updateStatements() const {
  const std::vector<Variant> written = packLines(*layout_, values_);
  const UpdateSpacing& u = layout_->update;
  std::vector<Statement> out;
  for (auto [first, last] : u.parts) {
    Statement s;
    s.fixed(u.head);
    for (int p = first; p <= last; ++p) {
      if (p > first) s.fixed(u.separator);
      int c = layout_->writtenColumn(p);
      s.fixed(layout_->columns[c].name);
      s << " = ";
      writeValue(s, c, written[c]);
    }
    s.fixed(u.where);
    s << secdec();
    out.push_back(std::move(s));
  }
  return out;
}

Statement FormRecord::deleteStatement() const {
  Statement s("Delete from ");
  s.fixed(layout_->table);
  s << " WHERE ";
  s.fixed(layout_->keyName());
  s << " = " << secdec();
  return s;
}

Variant FormRecord::CargarDeclaracion() {
  auto rs = conexion().openRecordset(loadStatement());
  Variant row = ZIVEGeneral::ConvertirRecordset(*rs, 0);
  rs->close();
  return row;
}

void FormRecord::GuardarDeclaracion() {
  annotate(layout_->recordClass + ".GuardarDeclaracion", [&] {
    for (const Statement& s : updateStatements()) conexion().execute(s, 0);
  });
}

void FormRecord::InsertarDeclaracion() {
  annotate(layout_->recordClass + ".InsertarDeclaracion", [&] { conexion().execute(insertStatement(), 0); });
}

bool FormRecord::BorrarDeclaracion() {
  return annotate(layout_->recordClass + ".BorrarDeclaracion", [&] {
    conexion().execute(deleteStatement(), 0);
    return true;
  });
}

}  // namespace svrZIVE::forms
