#include "engine/catalog_store.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <unordered_map>

#include "base/decimal.h"
#include "base/legacy_text.h"
#include "engine/dao.h"
#include "engine/engine_impl.h"

namespace svrZIVE::engine::detail {

namespace {

constexpr std::string_view kSrc = kSrcDatabase;

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string trimmed(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

}  // namespace

bool isTextType(DaoType t) { return t == DaoType::Text || t == DaoType::Memo; }

// A Decimal field's default as its key (or its digits), rounded to the
// field's scale; none when the text is no number the field holds.
std::optional<std::string> decimalDefault(std::string_view text, const ColumnInfo& c, bool digits) {
  try {
    Decimal d;
    if (!Decimal::parse(text, d)) return std::nullopt;
    d = d.rounded(c.scale);
    if (d.wholeDigits() > c.precision - c.scale) return std::nullopt;
    return digits ? d.text() : quoteText(d.key());
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

namespace {

// A catalog that contradicts itself or its table (written by another tool):
// no lookup of that table goes on with it.
[[noreturn]] void damaged(const std::string& what) {
  raise(kCorruptDatabase, kSrc,
        "The database is damaged: the catalog of its fields cannot be used, because " + what + ".");
}


// A column of a table that has no catalog row (made by another tool):
// described from its declared type.
ColumnInfo describeForeignColumn(const std::string& name, const std::string& declared, bool notNull,
                                 const std::string& dflt) {
  ColumnInfo c;
  c.name = name;
  c.required = notNull;
  c.allowZeroLength = true;
  c.defaultValue = dflt;
  std::string t = upperAscii(trimmed(declared));
  std::string base = t.substr(0, t.find('('));
  base = trimmed(base);
  int32_t size = 0;
  if (auto open = t.find('('); open != std::string::npos) size = std::atoi(t.c_str() + open + 1);
  if (base == "BOOLEAN" || base == "BIT" || base == "YESNO" || base == "LOGICAL") c.type = DaoType::Boolean;
  else if (base == "TINYINT" || base == "BYTE") c.type = DaoType::Byte;
  else if (base == "SMALLINT" || base == "SHORT") c.type = DaoType::Integer;
  else if (base.find("INT") != std::string::npos) c.type = DaoType::Long;
  else if (base == "CURRENCY" || base == "MONEY") c.type = DaoType::Currency;
  else if (base == "SINGLE") c.type = DaoType::Single;
  else if (base.find("DOUB") != std::string::npos || base.find("FLOA") != std::string::npos || base == "REAL" ||
           base == "NUMERIC" || base == "DECIMAL")
    c.type = DaoType::Double;
  else if (base == "GUID" || base == "UNIQUEIDENTIFIER") c.type = DaoType::GUID;
  else if (base == "DECIMAL TEXT") {
    c.type = DaoType::Decimal;
    int scale = 0;
    if (auto comma = t.find(','); comma != std::string::npos) scale = std::atoi(t.c_str() + comma + 1);
    c.precision = static_cast<uint8_t>(std::clamp(size, 1, int32_t(kMaxDecimalPrecision)));
    c.scale = static_cast<uint8_t>(std::clamp(scale, 0, int32_t(c.precision)));
  }
  else if ((base == "BINARY" || base == "VARBINARY") && size > 0) {
    c.type = DaoType::Binary;
    c.size = size;
  } else if (base.find("BLOB") != std::string::npos || base.find("BINARY") != std::string::npos)
    c.type = DaoType::LongBinary;
  else if (base.find("DATE") != std::string::npos || base.find("TIME") != std::string::npos) c.type = DaoType::Date;
  else if ((base.find("CHAR") != std::string::npos || base == "TEXT") && size > 0 && size <= 255) {
    c.type = DaoType::Text;
    c.size = size;
  } else if (base.find("CHAR") != std::string::npos || base.find("TEXT") != std::string::npos ||
             base.find("CLOB") != std::string::npos || base == "MEMO")
    c.type = DaoType::Memo;
  else c.type = DaoType::Unknown;
  if (c.type != DaoType::Text && c.type != DaoType::Binary) c.size = fixedSize(c.type);
  return c;
}

}  // namespace

int32_t fixedSize(DaoType type) {
  switch (type) {
    case DaoType::Boolean:
    case DaoType::Byte: return 1;
    case DaoType::Integer: return 2;
    case DaoType::Long:
    case DaoType::Single: return 4;
    case DaoType::Currency:
    case DaoType::Double:
    case DaoType::Date: return 8;
    case DaoType::GUID:
    case DaoType::Decimal: return 16;
    default: return 0;
  }
}

ColumnInfo CatalogStore::catalogRow(const Statement& st, const std::string& table) {
  ColumnInfo c;
  c.name = st.text(0);
  const int64_t type = st.int64(1), size = st.int64(2), position = st.int64(6);
  const std::string field = utf8Text(table + "." + c.name);
  if (type < 1 || type > std::numeric_limits<int16_t>::max() ||
      daoTypeName(static_cast<DaoType>(type)) == daoTypeName(DaoType::Unknown))
    damaged("it gives the field '" + field + "' the type code " + std::to_string(type) + ", which is no field type");
  c.type = static_cast<DaoType>(type);
  const bool sized = c.type == DaoType::Text ? size >= 1 && size <= 255
                                             : size >= 0 && size <= std::numeric_limits<int32_t>::max();
  if (!sized) damaged("it gives the field '" + field + "' the size " + std::to_string(size));
  if (position < std::numeric_limits<int16_t>::min() || position > std::numeric_limits<int16_t>::max())
    damaged("it gives the field '" + field + "' the ordinal position " + std::to_string(position));
  c.size = static_cast<int32_t>(size);
  if (c.type == DaoType::Decimal) {
    // The catalog keeps a Decimal's precision and scale in its size: precision * 256 + scale.
    c.precision = static_cast<uint8_t>(size >> 8);
    c.scale = static_cast<uint8_t>(size & 0xFF);
    if (size > 0xFFFF || c.precision < 1 || c.precision > kMaxDecimalPrecision || c.scale > c.precision)
      damaged("it gives the Decimal field '" + field + "' the size " + std::to_string(size) +
              ", which is no precision and scale");
    c.size = fixedSize(c.type);
  }
  c.required = st.int64(3) != 0;
  c.allowZeroLength = st.int64(4) != 0;
  c.defaultValue = st.text(5);
  c.ordinalPosition = static_cast<int16_t>(position);
  c.autoIncrement = st.int64(7) != 0;
  return c;
}

void CatalogStore::invalidate() { tables_.clear(); }

bool CatalogStore::checkForeignChanges() {
  int64_t v = dataVersion();
  bool changed = dataVersion_ != -1 && v != dataVersion_;
  dataVersion_ = v;
  if (changed) invalidate();
  return changed;
}

std::vector<Variant> CatalogStore::columnValues(const std::string& sql, DaoType type) {
  traceStatement("", sql);
  auto st = connection_.prepare(sql, kSrcDatabase);
  std::vector<Variant> values;
  while (st->step()) values.push_back(columnValue(*st, 0, type));
  return values;
}

const TableInfo* CatalogStore::findTable(std::string_view name) {
  const TableEntry* e = findEntry(name);
  return e ? &e->info : nullptr;
}

const TableEntry* CatalogStore::findEntry(std::string_view name) {
  std::string key = lowerAscii(name);
  auto it = tables_.find(key);
  if (it != tables_.end()) return it->second.get();
  auto entry = load(name);
  if (!entry) return nullptr;
  return (tables_[key] = std::move(entry)).get();
}

std::vector<ColumnInfo> CatalogStore::catalogRows(const std::string& table) {
  std::vector<ColumnInfo> rows;
  auto st = connection_.prepare("SELECT field_name, dao_type, size, required, allow_zero_length, default_value, "
                                "ordinal_position, auto_increment FROM " +
                                    std::string(kCatalogTable) + " WHERE table_name = ?1",
                                kSrc);
  st->bindText(1, table);
  while (st->step()) rows.push_back(catalogRow(*st, table));
  return rows;
}

std::unique_ptr<TableEntry> CatalogStore::load(std::string_view name) {
  if (namesEqual(name, kCatalogTable) || lowerAscii(name).rfind("sqlite_", 0) == 0) return nullptr;
  auto entry = std::make_unique<TableEntry>();
  std::optional<StoredTable> table = storedTable(name);
  if (!table) return nullptr;
  entry->info.name = table->name;
  entry->info.rowids = table->rowids;
  const std::vector<StoredColumn>& stored = table->columns;
  std::vector<ColumnInfo>& described = table->described;
  int32_t nextPosition = 0;
  for (const auto& c : described) nextPosition = std::max<int32_t>(nextPosition, c.ordinalPosition + 1);
  std::unordered_map<std::string, size_t> byName;  // a form's table has a hundred fields
  for (size_t i = 0; i < described.size(); ++i) byName.emplace(lowerAscii(described[i].name), i);
  std::vector<char> found(described.size(), 0);
  for (const auto& s : stored) {
    entry->storageOrder.push_back(s.name);
    if (s.notNull) entry->notNullColumns.push_back(s.name);
    if (auto it = byName.find(lowerAscii(s.name)); it != byName.end()) {
      found[it->second] = 1;
      ColumnInfo& c = described[it->second];
      c.name = s.name;  // the store's spelling is the column's
      entry->info.columns.push_back(c);
    } else {
      ColumnInfo c = describeForeignColumn(s.name, s.type, s.notNull, s.dflt);
      c.ordinalPosition = static_cast<int16_t>(nextPosition++);
      entry->info.columns.push_back(std::move(c));
    }
  }
  for (size_t i = 0; i < described.size(); ++i) {
    if (!found[i])
      damaged("it lists the field '" + utf8Text(entry->info.name + "." + described[i].name) +
              "', which the table does not have");
  }
  sortByOrdinalPosition(entry->info.columns);
  return entry;
}

// DefaultValue is a Jet literal kept as text: a quoted text is that text, a
// number is that number, True/Yes/On and False/No/Off are -1 and 0, Null and
// the empty text are no default; anything else is taken as the text itself
// (for a number field, which cannot hold it, SQLite gets no default). A
// leading "=", as Access writes a default it took as an expression, is not
// part of the value. Binary and GUID fields get no SQLite default.
std::optional<std::string> CatalogStore::defaultLiteral(const ColumnInfo& c, bool decimalDigits) {
  std::string text = trimmed(c.defaultValue);
  if (!text.empty() && text.front() == '=') text = trimmed(std::string_view(text).substr(1));
  if (text.empty() || c.type == DaoType::Binary || c.type == DaoType::LongBinary || c.type == DaoType::GUID)
    return std::nullopt;
  bool textual = isTextType(c.type);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    char q = text.front();
    std::string inner;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      inner.push_back(text[i]);
      if (text[i] == q && i + 2 < text.size() && text[i + 1] == q) ++i;
    }
    if (textual) return quoteText(inner);
    if (c.type == DaoType::Decimal) return decimalDefault(inner, c, decimalDigits);
    double d;
    if (parseNumber(inner, d)) return formatDouble(d);
    return std::nullopt;
  }
  std::string upper = upperAscii(text);
  if (upper == "NULL") return std::nullopt;
  if (upper == "TRUE" || upper == "YES" || upper == "ON") return textual ? quoteText(text) : "-1";
  if (upper == "FALSE" || upper == "NO" || upper == "OFF") return textual ? quoteText(text) : "0";
  if (c.type == DaoType::Decimal) return decimalDefault(text, c, decimalDigits);
  double d;
  if (parseNumber(text, d)) return textual ? quoteText(formatDouble(d)) : formatDouble(d);
  if (textual) return quoteText(text);
  return std::nullopt;
}

void CatalogStore::insertCatalogRow(std::string table, const ColumnInfo& c) { insertCatalogRows(std::move(table), {c}); }

void CatalogStore::insertCatalogRows(std::string table, const std::vector<ColumnInfo>& columns) {
  auto del = connection_.prepare(
      "DELETE FROM " + std::string(kCatalogTable) + " WHERE table_name = ?1 AND field_name = ?2", kSrc);
  auto st = connection_.prepare("INSERT INTO " + std::string(kCatalogTable) +
                                    " (table_name, field_name, dao_type, size, required, allow_zero_length, "
                                    "default_value, ordinal_position, auto_increment) "
                                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                                kSrc);
  for (const auto& c : columns) {
    del->bindText(1, table);
    del->bindText(2, c.name);
    del->run();
    del->reset();
    st->bindText(1, table);
    st->bindText(2, c.name);
    st->bindInt(3, static_cast<int>(c.type));
    st->bindInt(4, c.type == DaoType::Decimal ? c.precision * 256 + c.scale : c.size);
    st->bindInt(5, c.required ? 1 : 0);
    st->bindInt(6, c.allowZeroLength ? 1 : 0);
    st->bindText(7, c.defaultValue);
    st->bindInt(8, c.ordinalPosition);
    st->bindInt(9, c.autoIncrement ? 1 : 0);
    st->run();
    st->reset();
  }
  noteChange();
  tables_.erase(lowerAscii(table));
}

void CatalogStore::updateCatalogRow(std::string table, const ColumnInfo& c) {
  insertCatalogRow(table, c);
  tables_.erase(lowerAscii(table));
}

void CatalogStore::deleteCatalogRow(std::string table, std::string_view column) {
  auto st = connection_.prepare(
      "DELETE FROM " + std::string(kCatalogTable) + " WHERE table_name = ?1 AND field_name = ?2", kSrc);
  st->bindText(1, table);
  st->bindText(2, column);
  st->run();
  noteChange();
  tables_.erase(lowerAscii(table));
}

void CatalogStore::deleteCatalogRows(std::string_view table) {
  auto st = connection_.prepare("DELETE FROM " + std::string(kCatalogTable) + " WHERE table_name = ?1", kSrc);
  st->bindText(1, table);
  st->run();
  noteChange();
}

std::string CatalogStore::accessPathName(std::string_view table, std::string_view column) {
  return std::string(kAccessPathPrefix) + lowerAscii(std::string(table)) + "_" + lowerAscii(std::string(column));
}

}  // namespace svrZIVE::engine::detail
