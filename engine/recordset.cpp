// Recordset: a dynaset whose rows are all read when it opens, so that it
// holds no lock on the file afterwards; and its fields.
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/legacy_text.h"
#include "engine/engine_impl.h"

namespace svrZIVE::engine::detail {

namespace {

constexpr std::string_view kSrc = kSrcRecordset;

// The value by its storage class: INTEGER -> Long (Double beyond Long's
// range), REAL -> Double, TEXT -> String (valid UTF-8 by the rule of
// base/legacy_text.h), BLOB -> Byte(), NULL -> Null.
Variant storedValue(const Statement& st, int column) {
  switch (st.stored(column)) {
    case Stored::Null: return Variant::null();
    case Stored::Integer: {
      int64_t v = st.int64(column);
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(v));
      return Variant(static_cast<double>(v));
    }
    case Stored::Real: return Variant(st.real(column));
    case Stored::Blob: return Variant(st.blob(column));
    default: {
      std::string text = st.text(column);
      makeUtf8(text);
      return Variant(std::move(text));
    }
  }
}

// `storage`: the value's storage class, taken before any reading converted it.
[[noreturn]] void storedMismatch(const Statement& st, int column, Stored storage, DaoType type) {
  std::string what;
  switch (storage) {
    case Stored::Integer: what = "the number " + std::to_string(st.int64(column)); break;
    case Stored::Real: what = "the number " + formatDouble(st.real(column)); break;
    case Stored::Text: what = "a text that is not a number"; break;
    default: what = "binary data"; break;
  }
  raise(kTypeMismatchInExpression, kSrc,
        "Data type mismatch: the field '" + utf8Text(st.origin(column)) + "' holds " + what +
            ", which cannot be read as a " + std::string(daoTypeName(type)) + ".");
}

}  // namespace

// Another tool may have written a value of another kind than the field's
// type past the table's checks. It is converted by the runtime's rules (a
// text that reads as a number, a fraction rounded half to even for a whole
// number field, a number written as text for a text field); what they cannot
// convert (a text that is no number, binary data in a number field, a number
// out of the type's range, an infinite Double) is Jet's data-type error
// 3464, naming the table and the field.
Variant columnValue(const Statement& st, int column, DaoType type) {
  const Stored storage = st.stored(column);
  // A value stored as its field's type, as the engine writes it, is read
  // as it is.
  if (storage == Stored::Integer && (type == DaoType::Long || type == DaoType::Integer)) {
    using Long = std::numeric_limits<int32_t>;
    using Integer = std::numeric_limits<int16_t>;
    const int64_t v = st.int64(column);
    if (type == DaoType::Long && v >= Long::min() && v <= Long::max()) return Variant(static_cast<int32_t>(v));
    if (type == DaoType::Integer && v >= Integer::min() && v <= Integer::max()) return Variant(static_cast<int16_t>(v));
  } else if (storage == Stored::Real && type == DaoType::Double) {
    if (const double d = st.real(column); std::isfinite(d)) return Variant(d);
  } else if (storage == Stored::Text && (type == DaoType::Text || type == DaoType::Memo)) {
    std::string text = st.text(column);
    makeUtf8(text);
    return Variant(std::move(text));
  }
  Variant stored = storedValue(st, column);
  if (storage == Stored::Null || type == DaoType::Unknown) return stored;
  const bool binary = type == DaoType::Binary || type == DaoType::LongBinary;
  Decimal decimal;
  if (type == DaoType::Decimal && storage == Stored::Text && Decimal::fromKey(stored.asString(), decimal))
    return Variant(decimal);
  const bool text = type == DaoType::Text || type == DaoType::Memo;
  if (storage == Stored::Blob && !binary && !text) storedMismatch(st, column, storage, type);
  try {
    switch (type) {
      case DaoType::Boolean:
        if (storage == Stored::Integer) return Variant(st.int64(column) != 0);
        return Variant(stored.toBoolean());
      case DaoType::Byte: return Variant(stored.toByte());
      case DaoType::Integer: return Variant(stored.toInteger());
      case DaoType::Long: return Variant(stored.toLong());
      case DaoType::Currency:
      case DaoType::Single:
      case DaoType::Double:
        if (double d = stored.toDouble(); std::isfinite(d)) return Variant(d);
        break;
      case DaoType::Date:
        if (double d = stored.toDouble(); std::isfinite(d)) return Variant::date(d);
        break;
      case DaoType::Binary:
      case DaoType::LongBinary:
      case DaoType::GUID: return stored;
      case DaoType::Decimal: {
        if (const std::string digits = st.exactDigits(column); !digits.empty() && Decimal::parse(digits, decimal))
          return Variant(decimal);
        return Variant(stored.toDecimal());
      }
      case DaoType::Text:
      case DaoType::Memo:
        if (stored.isString()) return stored;
        if (stored.isBytes()) {
          std::string bytes(stored.asBytes().begin(), stored.asBytes().end());
          makeUtf8(bytes);
          return Variant(std::move(bytes));
        }
        if (storage == Stored::Integer) return Variant(std::to_string(st.int64(column)));
        return Variant(stored.toText());
      case DaoType::Unknown: return stored;
    }
  } catch (const AutomationError&) {
  }
  storedMismatch(st, column, storage, type);
}

RecordsetImpl::Layout RecordsetImpl::layout(DatabaseImpl& db, const jet::Translation& t) {
  Layout out;
  CatalogStore& catalog = db.checkedCatalog();
  if (!t.updatableTable.empty()) {
    if (const TableInfo* info = catalog.findTable(t.updatableTable)) out.table = info->name;
  }
  const TableInfo* table = out.table.empty() ? nullptr : catalog.findTable(out.table);
  std::vector<Column> columns;
  columns.reserve(t.columns.size());
  for (const auto& c : t.columns) {
    Column column{c, std::nullopt};
    if (table)
      if (const ColumnInfo* info = table->findColumn(c.name)) column.field = *info;
    columns.push_back(std::move(column));
  }
  out.columns = std::make_shared<const std::vector<Column>>(std::move(columns));
  return out;
}

std::shared_ptr<RecordsetImpl> RecordsetImpl::open(std::shared_ptr<DatabaseImpl> db, const jet::Translation& t) {
  db->connection(kSrcDatabase);
  db->catalog(kSrcDatabase);
  Layout l = layout(*db, t);
  auto st = db->connection(kSrcDatabase).prepare(t.sql, kSrcDatabase);
  return open(std::move(db), t, l, *st);
}

std::shared_ptr<RecordsetImpl> RecordsetImpl::open(std::shared_ptr<DatabaseImpl> db, const jet::Translation& t,
                                                   const Layout& layout, Statement& st,
                                                   std::optional<bool> firstRow) {
  std::shared_ptr<RecordsetImpl> rs(new RecordsetImpl());
  rs->table_ = layout.table;
  rs->columns_ = layout.columns;
  const int visible = static_cast<int>(t.columns.size());
  const bool withRowid = !t.updatableTable.empty() && st.columnCount() > visible;
  for (bool more = firstRow ? *firstRow : st.step(); more; more = st.step()) {
    std::vector<Variant> row;
    row.reserve(static_cast<size_t>(visible));
    for (int i = 0; i < visible; ++i) row.push_back(columnValue(st, i, t.columns[static_cast<size_t>(i)].type));
    rs->rows_.push_back(std::move(row));
    rs->rowids_.push_back(withRowid ? st.int64(visible) : 0);
  }
  if (!withRowid) rs->table_.clear();
  rs->db_ = std::move(db);
  rs->position_ = 0;
  rs->visited_ = rs->rows_.empty() ? 0 : 1;
  return rs;
}

void RecordsetImpl::ensureOpen() const {
  if (!open_) raiseJet(kObjectClosed, kSrc);
}

void RecordsetImpl::markClosed() {
  open_ = false;
  mode_ = Mode::None;
  rows_.clear();
  rowids_.clear();
  db_.reset();
}

void RecordsetImpl::close() {
  ensureOpen();
  markClosed();
}

int32_t RecordsetImpl::recordCount() const {
  ensureOpen();
  return rows_.empty() ? 0 : visited_;
}

bool RecordsetImpl::eof() const {
  ensureOpen();
  return rows_.empty() || position_ >= static_cast<int64_t>(rows_.size());
}

bool RecordsetImpl::bof() const {
  ensureOpen();
  return rows_.empty() || position_ < 0;
}

bool RecordsetImpl::hasCurrent() const {
  return !currentDeleted_ && position_ >= 0 && position_ < static_cast<int64_t>(rows_.size());
}

void RecordsetImpl::visit() {
  if (position_ >= 0) visited_ = std::max<int32_t>(visited_, static_cast<int32_t>(std::min<int64_t>(position_ + 1, static_cast<int64_t>(rows_.size()))));
}

void RecordsetImpl::moveFirst() {
  ensureOpen();
  if (rows_.empty()) raiseJet(kNoCurrentRecord, kSrc);
  leaveEditing();
  currentDeleted_ = false;
  position_ = 0;
  visit();
}

void RecordsetImpl::moveLast() {
  ensureOpen();
  if (rows_.empty()) raiseJet(kNoCurrentRecord, kSrc);
  leaveEditing();
  currentDeleted_ = false;
  position_ = static_cast<int64_t>(rows_.size()) - 1;
  visited_ = static_cast<int32_t>(rows_.size());
}

void RecordsetImpl::moveNext() {
  ensureOpen();
  if (currentDeleted_) {
    // The deleted record's place now holds the record that followed it.
    currentDeleted_ = false;
    leaveEditing();
    visit();
    return;
  }
  if (eof()) raiseJet(kNoCurrentRecord, kSrc);
  leaveEditing();
  ++position_;
  visit();
}

void RecordsetImpl::movePrevious() {
  ensureOpen();
  if (currentDeleted_) {
    currentDeleted_ = false;
    leaveEditing();
    --position_;
    return;
  }
  if (bof()) raiseJet(kNoCurrentRecord, kSrc);
  leaveEditing();
  --position_;
}

Fields& RecordsetImpl::fields() {
  ensureOpen();
  return fields_;
}

int32_t RecordsetImpl::columnIndex(std::string_view name) const {
  for (size_t i = 0; i < columns_->size(); ++i)
    if (namesEqual((*columns_)[i].result.name, name)) return static_cast<int32_t>(i);
  return -1;
}

Variant RecordsetImpl::value(int32_t column) const {
  ensureOpen();
  if (column < 0 || column >= columnCount()) raiseJet(kItemNotFound, kSrc);
  if (mode_ != Mode::None) return buffer_[static_cast<size_t>(column)];
  if (currentDeleted_) raiseJet(kRecordDeleted, kSrc);
  if (!hasCurrent()) raiseJet(kNoCurrentRecord, kSrc);
  return rows_[static_cast<size_t>(position_)][static_cast<size_t>(column)];
}

Variant RecordsetImpl::value(std::string_view column) const {
  ensureOpen();
  int32_t index = columnIndex(column);
  if (index < 0) raiseJet(kItemNotFound, kSrc);
  return value(index);
}

bool RecordsetImpl::updatable() const {
  ensureOpen();
  return !table_.empty() && !db_->readOnly();
}

void RecordsetImpl::addNew() {
  ensureOpen();
  if (!updatable()) raiseJet(kReadOnlyDatabase, kSrc);
  mode_ = Mode::AddNew;
  buffer_.assign(columns_->size(), Variant::null());
  dirty_.assign(columns_->size(), false);
}

void RecordsetImpl::edit() {
  ensureOpen();
  if (!updatable()) raiseJet(kReadOnlyDatabase, kSrc);
  if (currentDeleted_) raiseJet(kRecordDeleted, kSrc);
  if (!hasCurrent()) raiseJet(kNoCurrentRecord, kSrc);
  mode_ = Mode::Edit;
  buffer_ = rows_[static_cast<size_t>(position_)];
  dirty_.assign(columns_->size(), false);
}

void RecordsetImpl::setValue(int32_t column, const Variant& value) {
  ensureOpen();
  if (column < 0 || column >= columnCount()) raiseJet(kItemNotFound, kSrcField);
  if (mode_ == Mode::None) raiseJet(kUpdateWithoutAddNew, kSrcField);
  const Column& c = (*columns_)[static_cast<size_t>(column)];
  if (!c.field || c.field->autoIncrement) raiseJet(kFieldNotUpdatable, kSrcField);
  // Null is checked against Required when the record is written.
  Variant stored = (value.isNull() || value.isEmpty()) ? Variant::null() : jet::storeValue(value, *c.field, table_);
  buffer_[static_cast<size_t>(column)] = std::move(stored);
  dirty_[static_cast<size_t>(column)] = true;
}

std::vector<Variant> RecordsetImpl::readRow(int64_t rowid) {
  std::vector<Variant> row(columns_->size(), Variant::null());
  std::string list;
  std::vector<size_t> mapped;
  for (size_t i = 0; i < columns_->size(); ++i) {
    if (!(*columns_)[i].field) continue;
    list += (list.empty() ? "" : ", ") + quoteName((*columns_)[i].field->name);
    mapped.push_back(i);
  }
  if (mapped.empty()) return row;
  auto st = db_->connection(kSrc).prepare(
      "SELECT " + list + " FROM " + quoteName(table_) + " WHERE rowid = ?1", kSrc);
  st->bindInt(1, rowid);
  if (!st->step()) raiseJet(kRecordDeleted, kSrc);
  for (size_t k = 0; k < mapped.size(); ++k)
    row[mapped[k]] = columnValue(*st, static_cast<int>(k), (*columns_)[mapped[k]].result.type);
  return row;
}

void RecordsetImpl::update() {
  ensureOpen();
  if (mode_ == Mode::None) raiseJet(kUpdateWithoutAddNew, kSrc);
  Connection& conn = db_->connection(kSrc);

  // Required fields: a Null written, or left out of a new record without a
  // default, fails the update (storeValue raises 3314).
  const TableInfo* table = db_->catalog(kSrc).findTable(table_);
  if (!table) raiseJet(kInputTableNotFound, kSrc, table_);
  for (size_t i = 0; i < columns_->size(); ++i) {
    if (!(*columns_)[i].field) continue;
    if (dirty_[i] && buffer_[i].isNull()) jet::storeValue(Variant::null(), *(*columns_)[i].field, table_);
  }
  if (mode_ == Mode::AddNew) {
    for (const auto& c : table->columns) {
      if (c.autoIncrement || !c.defaultValue.empty() || !c.required) continue;
      int32_t index = columnIndex(c.name);
      if (index < 0 || !dirty_[static_cast<size_t>(index)]) jet::storeValue(Variant::null(), c, table_);
    }
  }

  std::vector<size_t> written;
  for (size_t i = 0; i < columns_->size(); ++i)
    if (dirty_[i]) written.push_back(i);

  Transaction tx(conn, kSrc);
  int64_t rowid = 0;
  if (mode_ == Mode::AddNew) {
    std::string sql = "INSERT INTO " + quoteName(table_);
    if (written.empty()) {
      sql += " DEFAULT VALUES";
    } else {
      std::string names, params;
      for (size_t k = 0; k < written.size(); ++k) {
        names += (k ? ", " : "") + quoteName((*columns_)[written[k]].field->name);
        params += (k ? ", ?" : "?") + std::to_string(k + 1);
      }
      sql += " (" + names + ") VALUES (" + params + ")";
    }
    auto st = conn.prepare(sql, kSrc);
    for (size_t k = 0; k < written.size(); ++k) st->bind(static_cast<int>(k + 1), buffer_[written[k]]);
    st->run();
    rowid = conn.lastInsertRowid();
  } else {
    rowid = rowids_[static_cast<size_t>(position_)];
    if (!written.empty()) {
      std::string sql = "UPDATE " + quoteName(table_) + " SET ";
      for (size_t k = 0; k < written.size(); ++k)
        sql += (k ? ", " : "") + quoteName((*columns_)[written[k]].field->name) + " = ?" + std::to_string(k + 1);
      sql += " WHERE rowid = ?" + std::to_string(written.size() + 1);
      auto st = conn.prepare(sql, kSrc);
      for (size_t k = 0; k < written.size(); ++k) st->bind(static_cast<int>(k + 1), buffer_[written[k]]);
      st->bindInt(static_cast<int>(written.size() + 1), rowid);
      st->run();
      if (conn.changes() == 0) raiseJet(kRecordDeleted, kSrc);
    }
  }
  std::vector<Variant> row = readRow(rowid);
  tx.commit();

  if (mode_ == Mode::AddNew) {
    // The new record joins the end of the dynaset; the current record stays.
    bool atEnd = position_ >= static_cast<int64_t>(rows_.size());
    rows_.push_back(std::move(row));
    rowids_.push_back(rowid);
    if (atEnd) position_ = static_cast<int64_t>(rows_.size());
    ++visited_;
  } else {
    rows_[static_cast<size_t>(position_)] = std::move(row);
  }
  mode_ = Mode::None;
}

void RecordsetImpl::deleteCurrent() {
  ensureOpen();
  if (!updatable()) raiseJet(kReadOnlyDatabase, kSrc);
  if (currentDeleted_) raiseJet(kRecordDeleted, kSrc);
  if (!hasCurrent()) raiseJet(kNoCurrentRecord, kSrc);
  leaveEditing();
  Connection& conn = db_->connection(kSrc);
  {
    Transaction tx(conn, kSrc);
    auto st = conn.prepare("DELETE FROM " + quoteName(table_) + " WHERE rowid = ?1", kSrc);
    st->bindInt(1, rowids_[static_cast<size_t>(position_)]);
    st->run();
    tx.commit();
  }
  rows_.erase(rows_.begin() + position_);
  rowids_.erase(rowids_.begin() + position_);
  visited_ = std::max(0, visited_ - 1);
  currentDeleted_ = true;
}

// ---------------------------------------------------------------------------
// Fields of a recordset

namespace {

class RecordsetField : public Field {
 public:
  RecordsetField(std::weak_ptr<RecordsetImpl> rs, int32_t index) : rs_(std::move(rs)), index_(index) {}

  std::string name() const override { return recordset()->column(index_).result.name; }
  void setName(std::string) override { readOnly(); }
  DaoType type() const override {
    auto rs = recordset();
    const auto& c = rs->column(index_);
    if (c.result.type != DaoType::Unknown) return c.result.type;
    switch (Variant v = rs->eof() || rs->bof() ? Variant::null() : rs->value(index_); v.type()) {
      case VarType::Boolean: return DaoType::Boolean;
      case VarType::Byte: return DaoType::Byte;
      case VarType::Integer: return DaoType::Integer;
      case VarType::Long: return DaoType::Long;
      case VarType::Double: return DaoType::Double;
      case VarType::ByteArray: return DaoType::LongBinary;
      case VarType::Decimal: return DaoType::Decimal;
      case VarType::Date: return DaoType::Date;
      default: return DaoType::Text;
    }
  }
  void setType(DaoType) override { readOnly(); }
  int32_t size() const override {
    const auto& c = recordset()->column(index_);
    if (c.field) return c.field->size;
    return c.result.type == DaoType::Text ? 255 : fixedSize(c.result.type);
  }
  void setSize(int32_t) override { readOnly(); }
  int32_t precision() const override {
    const auto& c = recordset()->column(index_);
    return c.field ? c.field->precision : 0;
  }
  void setPrecision(int32_t) override { readOnly(); }
  int32_t scale() const override {
    const auto& c = recordset()->column(index_);
    return c.field ? c.field->scale : 0;
  }
  void setScale(int32_t) override { readOnly(); }
  Variant defaultValue() const override {
    const auto& c = recordset()->column(index_);
    return Variant(c.field ? c.field->defaultValue : std::string());
  }
  void setDefaultValue(const Variant&) override { readOnly(); }
  bool required() const override {
    const auto& c = recordset()->column(index_);
    return c.field && c.field->required;
  }
  void setRequired(bool) override { readOnly(); }
  bool allowZeroLength() const override {
    const auto& c = recordset()->column(index_);
    return c.field && c.field->allowZeroLength;
  }
  void setAllowZeroLength(bool) override { readOnly(); }
  int32_t attributes() const override {
    const auto& c = recordset()->column(index_);
    return c.field && c.field->autoIncrement ? dbAutoIncrField : 0;
  }
  void setAttributes(int32_t) override { readOnly(); }
  int16_t ordinalPosition() const override {
    recordset();
    return static_cast<int16_t>(index_);
  }
  void setOrdinalPosition(int16_t) override { readOnly(); }
  Variant value() const override { return recordset()->value(index_); }
  void setValue(const Variant& value) override { recordset()->setValue(index_, value); }

 private:
  std::shared_ptr<RecordsetImpl> recordset() const {
    auto rs = rs_.lock();
    if (!rs || !rs->isOpen()) raiseJet(kObjectClosed, kSrcField);
    return rs;
  }
  [[noreturn]] void readOnly() const {
    recordset();
    raiseJet(kInvalidOperation, kSrcField);
  }
  std::weak_ptr<RecordsetImpl> rs_;
  int32_t index_;
};

}  // namespace

int32_t RecordsetFieldsImpl::count() const {
  owner_.ensureOpen();
  return owner_.columnCount();
}

std::shared_ptr<Field> RecordsetFieldsImpl::item(int32_t index) const {
  owner_.ensureOpen();
  if (index < 0 || index >= owner_.columnCount()) raiseJet(kItemNotFound, kSrcFields);
  if (items_.empty())
    for (int32_t i = 0; i < owner_.columnCount(); ++i)
      items_.push_back(std::make_shared<RecordsetField>(owner_.weak_from_this(), i));
  return items_[static_cast<size_t>(index)];
}

std::shared_ptr<Field> RecordsetFieldsImpl::item(std::string_view name) const {
  owner_.ensureOpen();
  int32_t index = owner_.columnIndex(name);
  if (index < 0) raiseJet(kItemNotFound, kSrcFields);
  return item(index);
}

void RecordsetFieldsImpl::append(std::shared_ptr<Field>) {
  owner_.ensureOpen();
  raiseJet(kInvalidOperation, kSrcFields);
}

void RecordsetFieldsImpl::remove(std::string_view) {
  owner_.ensureOpen();
  raiseJet(kInvalidOperation, kSrcFields);
}

void RecordsetFieldsImpl::refresh() { owner_.ensureOpen(); }

}  // namespace svrZIVE::engine::detail
