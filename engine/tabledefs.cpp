// TableDefs, TableDef and the fields of table definitions.
//
// A table definition is either new (made by CreateTableDef, its fields kept
// in the objects until TableDefs.Append creates the table) or attached (a
// table of the database; its fields are read from the catalog, and every
// change to them goes to the file at once, in one transaction).
#include <algorithm>

#include "engine/engine_impl.h"

namespace svrZIVE::engine::detail {

namespace {

std::vector<std::shared_ptr<FieldDefImpl>> inCollectionOrder(std::vector<std::shared_ptr<FieldDefImpl>> fields) {
  std::vector<ColumnInfo> infos;
  for (const auto& f : fields) infos.push_back(f->info());
  sortByOrdinalPosition(infos);
  std::vector<std::shared_ptr<FieldDefImpl>> sorted;
  for (const auto& info : infos) {
    auto it = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f && f->info().name == info.name; });
    sorted.push_back(*it);
    *it = nullptr;
  }
  return sorted;
}

}  // namespace

// ---------------------------------------------------------------------------
// TableDefs

void TableDefsImpl::sync(bool force) {
  uint64_t generation = db_.schemaGeneration(kSrcTableDefs);
  if (loaded_ && !force && generation == loadedGeneration_) return;
  std::vector<std::shared_ptr<TableDefImpl>> items;
  for (const auto& name : db_.catalog(kSrcTableDefs).tableNames()) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& t) { return t->rawName() == name; });
    if (it != items_.end()) {
      items.push_back(*it);
    } else {
      items.push_back(std::make_shared<TableDefImpl>(db_.weak_from_this(), name, true));
    }
  }
  for (const auto& old : items_)
    if (std::find(items.begin(), items.end(), old) == items.end()) old->setAttached(false);
  items_ = std::move(items);
  loadedGeneration_ = generation;
  loaded_ = true;
}

int32_t TableDefsImpl::count() {
  sync();
  return static_cast<int32_t>(items_.size());
}

std::shared_ptr<TableDef> TableDefsImpl::item(int32_t index) {
  sync();
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) raiseJet(kItemNotFound, kSrcTableDefs);
  return items_[static_cast<size_t>(index)];
}

std::shared_ptr<TableDef> TableDefsImpl::item(std::string_view name) {
  sync();
  for (const auto& t : items_)
    if (namesEqual(t->rawName(), name)) return t;
  raiseJet(kItemNotFound, kSrcTableDefs);
}

void TableDefsImpl::append(std::shared_ptr<TableDef> table) {
  auto impl = std::dynamic_pointer_cast<TableDefImpl>(table);
  if (!impl) raiseJet(kInvalidOperation, kSrcTableDefs);
  if (impl->attached()) raiseJet(kObjectExists, kSrcTableDefs);
  if (impl->database(kSrcTableDefs).get() != &db_) raiseJet(kInvalidOperation, kSrcTableDefs);
  db_.createTable(impl->rawName(), impl->fieldsImpl().appendOrder(), kSrcTableDefs);
  impl->setAttached(true);
  // The appended object is the collection's item for the new table.
  sync(true);
  for (auto& t : items_)
    if (t->rawName() == impl->rawName() && t != impl) t = impl;
  impl->fields().refresh();
}

void TableDefsImpl::remove(std::string_view name) {
  sync();
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& t) { return namesEqual(t->rawName(), name); });
  if (it == items_.end()) raiseJet(kItemNotFound, kSrcTableDefs);
  db_.dropTable((*it)->rawName(), kSrcTableDefs);
  (*it)->setAttached(false);
  sync(true);
}

void TableDefsImpl::refresh() { sync(true); }

// ---------------------------------------------------------------------------
// TableDef

std::string TableDefImpl::name() const {
  if (attached_) database(kSrcTableDef);
  return name_;
}

std::shared_ptr<DatabaseImpl> TableDefImpl::database(std::string_view source) const {
  auto db = db_.lock();
  if (!db || !db->isOpen()) raiseJet(kObjectClosed, source);
  return db;
}

std::shared_ptr<Field> TableDefImpl::createField(std::string name, DaoType type, int32_t size) {
  database(kSrcTableDef);
  ColumnInfo info;
  info.name = std::move(name);
  info.type = type;
  int32_t fixed = fixedSize(type);
  info.size = (type == DaoType::Text) ? size : fixed;
  return std::make_shared<FieldDefImpl>(std::move(info));
}

// ---------------------------------------------------------------------------
// Fields of a table definition

void TableFieldsImpl::sync(bool force) const {
  if (!owner_.attached()) return;
  auto db = owner_.database(kSrcFields);
  uint64_t generation = db->schemaGeneration(kSrcFields);
  if (loaded_ && !force && generation == loadedGeneration_) return;
  const TableInfo* info = db->catalog(kSrcFields).findTable(owner_.rawName());
  std::vector<std::shared_ptr<FieldDefImpl>> items;
  if (info) {
    for (const auto& c : info->columns) {
      auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& f) { return namesEqual(f->info().name, c.name); });
      std::shared_ptr<FieldDefImpl> f = it != items_.end() ? *it : std::make_shared<FieldDefImpl>(c);
      f->info() = c;
      f->setPositionSet(true);
      f->setOwner(owner_.weak_from_this());
      items.push_back(std::move(f));
    }
  }
  items_ = std::move(items);
  loadedGeneration_ = generation;
  loaded_ = true;
}

int32_t TableFieldsImpl::count() const {
  if (owner_.attached()) {
    sync();
    return static_cast<int32_t>(items_.size());
  }
  return static_cast<int32_t>(items_.size());
}

std::shared_ptr<Field> TableFieldsImpl::item(int32_t index) const {
  sync();
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) raiseJet(kItemNotFound, kSrcFields);
  if (!owner_.attached()) return inCollectionOrder(items_)[static_cast<size_t>(index)];
  return items_[static_cast<size_t>(index)];
}

std::shared_ptr<Field> TableFieldsImpl::item(std::string_view name) const {
  sync();
  for (const auto& f : items_)
    if (namesEqual(f->info().name, name)) return f;
  raiseJet(kItemNotFound, kSrcFields);
}

std::vector<ColumnInfo> TableFieldsImpl::appendOrder() const {
  std::vector<ColumnInfo> columns;
  for (const auto& f : items_) columns.push_back(f->info());
  return columns;
}

void TableFieldsImpl::append(std::shared_ptr<Field> field) {
  auto f = std::dynamic_pointer_cast<FieldDefImpl>(field);
  if (!f) raiseJet(kInvalidOperation, kSrcFields);
  if (f->owner()) raiseJet(kObjectExists, kSrcFields);
  sync();
  checkJetName(f->info().name, kSrcFields);
  for (const auto& existing : items_)
    if (namesEqual(existing->info().name, f->info().name)) raiseJet(kObjectExists, kSrcFields);

  ColumnInfo info = f->info();
  // DAO's CreateField gives a Text field without a size 50 characters.
  if (info.type == DaoType::Text && info.size == 0) info.size = 50;
  // A field appended without a position goes after the highest one.
  if (!f->positionSet()) {
    int32_t next = 0;
    for (const auto& existing : items_) next = std::max<int32_t>(next, existing->info().ordinalPosition + 1);
    info.ordinalPosition = static_cast<int16_t>(std::min<int32_t>(next, INT16_MAX));
  }
  if (owner_.attached()) {
    owner_.database(kSrcFields)->addColumn(owner_.rawName(), info, kSrcFields);
    f->info() = info;
    f->setPositionSet(true);
    f->setOwner(owner_.weak_from_this());
    // The appended object is the collection's item for the new field.
    items_.push_back(f);
    sync(true);
    return;
  }
  f->info() = info;
  f->setPositionSet(true);
  f->setOwner(owner_.weak_from_this());
  items_.push_back(f);
}

void TableFieldsImpl::remove(std::string_view name) {
  sync();
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& f) { return namesEqual(f->info().name, name); });
  if (it == items_.end()) raiseJet(kItemNotFound, kSrcFields);
  if (owner_.attached()) {
    owner_.database(kSrcFields)->dropColumn(owner_.rawName(), (*it)->info().name, kSrcFields);
    (*it)->setOwner({});
    sync(true);
    return;
  }
  (*it)->setOwner({});
  items_.erase(it);
}

void TableFieldsImpl::refresh() {
  if (owner_.attached()) sync(true);
}

// ---------------------------------------------------------------------------
// Field of a table definition

bool FieldDefImpl::attached() const {
  auto owner = owner_.lock();
  return owner && owner->attached();
}

void FieldDefImpl::change(const std::function<void(ColumnInfo&)>& apply) {
  auto owner = owner_.lock();
  if (owner && owner->attached()) {
    info_ = owner->database(kSrcField)->changeColumn(owner->rawName(), info_.name, apply, kSrcField);
    return;
  }
  apply(info_);
}

// The name, type and size of a field in the database cannot change (DAO
// raises 3219 for them too).
void FieldDefImpl::setName(std::string name) {
  if (attached()) {
    if (name != info_.name) raiseJet(kInvalidOperation, kSrcField);
    return;
  }
  info_.name = std::move(name);
}

void FieldDefImpl::setType(DaoType type) {
  if (attached()) {
    if (type != info_.type) raiseJet(kInvalidOperation, kSrcField);
    return;
  }
  info_.type = type;
  if (type != DaoType::Text) info_.size = fixedSize(type);
}

void FieldDefImpl::setSize(int32_t size) {
  if (attached()) {
    if (size != info_.size) raiseJet(kInvalidOperation, kSrcField);
    return;
  }
  if (info_.type == DaoType::Text) info_.size = size;
}

// Checked when the field is appended.
void FieldDefImpl::setPrecision(int32_t precision) {
  if (attached() || info_.type != DaoType::Decimal) raiseJet(kInvalidOperation, kSrcField);
  info_.precision = static_cast<uint8_t>(std::clamp(precision, 0, 255));
}

void FieldDefImpl::setScale(int32_t scale) {
  if (attached() || info_.type != DaoType::Decimal) raiseJet(kInvalidOperation, kSrcField);
  info_.scale = static_cast<uint8_t>(std::clamp(scale, 0, 255));
}

void FieldDefImpl::setAttributes(int32_t attributes) {
  bool autoIncrement = (attributes & dbAutoIncrField) != 0;
  if (attached()) {
    if (autoIncrement != info_.autoIncrement) raiseJet(kInvalidOperation, kSrcField);
    return;
  }
  info_.autoIncrement = autoIncrement;
}

// DAO keeps DefaultValue as text: the number 0 is kept as "0".
void FieldDefImpl::setDefaultValue(const Variant& value) {
  std::string text;
  if (value.isNull() || value.isEmpty()) text.clear();
  else if (value.isString()) text = value.asString();
  else if (value.type() == VarType::Double) text = formatDouble(value.asDouble());
  else text = value.toText();
  change([&](ColumnInfo& c) { c.defaultValue = text; });
}

void FieldDefImpl::setRequired(bool required) {
  change([&](ColumnInfo& c) { c.required = required; });
}

void FieldDefImpl::setAllowZeroLength(bool allow) {
  change([&](ColumnInfo& c) { c.allowZeroLength = allow; });
}

void FieldDefImpl::setOrdinalPosition(int16_t position) {
  change([&](ColumnInfo& c) { c.ordinalPosition = position; });
  positionSet_ = true;
}

Variant FieldDefImpl::value() const { raiseJet(kInvalidOperation, kSrcField); }

void FieldDefImpl::setValue(const Variant&) { raiseJet(kInvalidOperation, kSrcField); }

}  // namespace svrZIVE::engine::detail
