#include "import/access_file.h"

#include <mdbtools.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/automation_error.h"

namespace svrZIVE::access {

namespace {

using engine::ColumnInfo;
using engine::DaoType;

constexpr const char* kSource = "svrZIVE.AccessFile";

// Jet error numbers of the failures of reading a file.
constexpr int32_t kFileNotFound = 3024;
constexpr int32_t kCannotOpenFile = 3051;
constexpr int32_t kUnrecognizedFormat = 3343;
constexpr int32_t kInvalidFieldType = 3259;

[[noreturn]] void fail(int32_t number, std::string description) {
  throw AutomationError(number, kSource, std::move(description));
}

template <class T>
T little(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);  // the file's byte order is the machine's (x86, ARM)
  return value;
}

std::string property(const MdbColumn* column, const char* name) {
  const char* value = column->props ? mdb_col_get_prop(column, name) : nullptr;
  return value ? value : "";
}

ColumnInfo describe(const MdbHandle* mdb, const std::string& table, const MdbColumn* column, int16_t position) {
  ColumnInfo c;
  c.name = column->name;
  c.ordinalPosition = position;
  switch (column->col_type) {
    case MDB_BOOL: c.type = DaoType::Boolean; break;
    case MDB_BYTE: c.type = DaoType::Byte; break;
    case MDB_INT: c.type = DaoType::Integer; break;
    case MDB_LONGINT:
      c.type = DaoType::Long;
      c.autoIncrement = column->is_long_auto != 0;
      break;
    case MDB_MONEY: c.type = DaoType::Currency; break;
    case MDB_FLOAT: c.type = DaoType::Single; break;
    case MDB_DOUBLE: c.type = DaoType::Double; break;
    case MDB_DATETIME: c.type = DaoType::Date; break;
    case MDB_BINARY:
      c.type = DaoType::Binary;
      c.size = column->col_size;
      break;
    case MDB_TEXT:
      c.type = DaoType::Text;
      // Jet 4 and ACE keep a text's size in bytes of UCS-2, two per character.
      c.size = mdb->f->jet_version == MDB_VER_JET3 ? column->col_size : column->col_size / 2;
      break;
    case MDB_OLE: c.type = DaoType::LongBinary; break;
    case MDB_MEMO: c.type = DaoType::Memo; break;
    case MDB_REPID: c.type = DaoType::GUID; break;
    case MDB_NUMERIC:
      c.type = DaoType::Decimal;
      c.precision = static_cast<uint8_t>(std::clamp(column->col_prec, 1, int(engine::kMaxDecimalPrecision)));
      c.scale = static_cast<uint8_t>(std::clamp(column->col_scale, 0, int(c.precision)));
      break;
    default:
      fail(kInvalidFieldType, "The field '" + c.name + "' of the table '" + table + "' is " +
                                  (column->col_type == MDB_COMPLEX ? std::string("an attachment or multi-value field")
                                                                   : "of type " + std::to_string(column->col_type)) +
                                  ", which this import does not bring over. Change it to another type in Access, "
                                  "or drop it, and import again.");
  }
  if (c.type != DaoType::Text && c.type != DaoType::Binary) c.size = 0;
  c.required = property(column, "Required") == "yes";
  c.allowZeroLength = property(column, "AllowZeroLength") == "yes";
  c.defaultValue = property(column, "DefaultValue");
  return c;
}

// The bytes a value of a fixed-size type takes in a record (0: any number).
size_t fixedSize(int type) {
  switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    default: return 0;
  }
}

// Text that mdbtools hands out in memory of its own.
std::string owned(char* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

}  // namespace

Variant decimalValue(std::string_view text) {
  Decimal d;
  if (!Decimal::parse(text, d))
    fail(kUnrecognizedFormat, "A Decimal value of the Access file reads '" + std::string(text) +
                                  "', which is no number. Repair the file in Access (\"Compact and Repair\") "
                                  "and import again.");
  return Variant(d);
}

struct AccessFile::Handle {
  MdbHandle* mdb = nullptr;
  std::vector<MdbCatalogEntry*> entries;  // of tables_, in the same order
  ~Handle() {
    if (mdb) mdb_close(mdb);
  }
};

AccessFile::AccessFile(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
    fail(kFileNotFound, "Could not find the Access file '" + path + "'. Give the path of an existing .mdb or .accdb file.");
  if (std::filesystem::is_directory(path, ec))
    fail(kCannotOpenFile, "'" + path + "' is a folder, not an Access file. Give the path of an .mdb or .accdb file.");
  if (FILE* probe = std::fopen(path.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    fail(kCannotOpenFile, "Could not read the Access file '" + path + "': " + std::strerror(errno) +
                              ". Check that the file may be read by this user.");
  }
  const std::string notAccess = "The file '" + path +
                                "' is not an Access database that can be read (Jet 3 or Jet 4 .mdb, ACE .accdb). "
                                "Give the path of an Access database; a damaged one can be repaired in Access with "
                                "\"Compact and Repair\" and imported again.";
  handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!handle_->mdb) fail(kUnrecognizedFormat, notAccess);
  MdbHandle* mdb = handle_->mdb;
  if (!mdb_read_catalog(mdb, MDB_TABLE)) fail(kUnrecognizedFormat, notAccess);
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) fail(kUnrecognizedFormat, notAccess);
    AccessTable t;
    t.name = entry->object_name;
    t.rows = table->num_rows;
    if (!mdb_read_columns(table)) {
      mdb_free_tabledef(table);
      fail(kUnrecognizedFormat, notAccess);
    }
    try {
      for (unsigned k = 0; k < table->num_cols; ++k)
        t.columns.push_back(describe(mdb, t.name, static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k)),
                                     static_cast<int16_t>(k)));
    } catch (...) {
      mdb_free_tabledef(table);
      throw;
    }
    mdb_free_tabledef(table);
    tables_.push_back(std::move(t));
    handle_->entries.push_back(entry);
  }
}

AccessFile::~AccessFile() = default;

std::string_view AccessFile::format() const {
  switch (handle_->mdb->f->jet_version) {
    case MDB_VER_JET3: return "Jet 3";
    case MDB_VER_JET4: return "Jet 4";
    default: return "ACE";
  }
}

void AccessFile::readRows(size_t index, const std::function<void(std::span<const Variant>)>& row) {
  MdbHandle* mdb = handle_->mdb;
  MdbTableDef* table = mdb_read_table(handle_->entries.at(index));
  if (!table) fail(kUnrecognizedFormat, "The table '" + tables_.at(index).name + "' of '" + path_ + "' cannot be read.");
  struct Free {
    MdbTableDef* t;
    ~Free() { mdb_free_tabledef(t); }
  } freeTable{table};
  mdb_read_columns(table);
  mdb_rewind_table(table);
  const unsigned count = table->num_cols;
  std::vector<MdbColumn*> columns(count);
  // An OLE field is read through its bound value (the reference to its pages).
  std::vector<std::vector<char>> oleBuffers;
  std::vector<int> oleLengths(count);
  for (unsigned k = 0; k < count; ++k) {
    columns[k] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
    if (columns[k]->col_type == MDB_OLE) {
      oleBuffers.emplace_back(mdb->bind_size + MDB_MEMO_OVERHEAD);
      mdb_bind_column(table, static_cast<int>(k + 1), oleBuffers.back().data(), &oleLengths[k]);
    }
  }
  std::vector<MdbField> fields(count);
  std::vector<Variant> values(count);
  const auto unreadableRecord = [&] {
    fail(kUnrecognizedFormat, "A record of the table '" + tables_[index].name + "' of '" + path_ + "' cannot be read.");
  };
  while (mdb_fetch_row(table)) {
    // The record just read, taken apart again: mdbtools binds Null and the
    // empty text alike, the fields' own flags tell them apart.
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0) unreadableRecord();
    const int cracked = mdb_crack_row(table, start, size, fields.data());
    std::fill(values.begin(), values.end(), Variant::null());
    for (int i = 0; i < cracked && i < static_cast<int>(count); ++i) {
      const MdbField& f = fields[static_cast<size_t>(i)];
      const size_t k = static_cast<size_t>(f.colnum);
      if (k >= count) continue;
      MdbColumn* column = columns[k];
      if (column->col_type == MDB_BOOL) {
        values[k] = Variant(!f.is_null);  // a Yes/No field is its null bit: never Null
        continue;
      }
      if (f.is_null) {
        values[k] = Variant::null();
        continue;
      }
      // A damaged file can describe a value outside the page it was read
      // from, or shorter than its type.
      if (f.start < 0 || f.siz < 0 || size_t(f.start) + size_t(f.siz) > sizeof mdb->pg_buf ||
          size_t(f.siz) < fixedSize(column->col_type))
        unreadableRecord();
      const unsigned char* p = mdb->pg_buf + f.start;
      switch (column->col_type) {
        case MDB_BYTE: values[k] = Variant(static_cast<uint8_t>(p[0])); break;
        case MDB_INT: values[k] = Variant(little<int16_t>(p)); break;
        case MDB_LONGINT: values[k] = Variant(little<int32_t>(p)); break;
        case MDB_MONEY: values[k] = Variant(static_cast<double>(little<int64_t>(p)) / 10000.0); break;
        case MDB_FLOAT: values[k] = Variant(static_cast<double>(little<float>(p))); break;
        case MDB_DOUBLE: values[k] = Variant(little<double>(p)); break;
        case MDB_DATETIME: values[k] = Variant::date(little<double>(p)); break;
        case MDB_BINARY: values[k] = Variant(Bytes(p, p + f.siz)); break;
        case MDB_REPID: values[k] = Variant(owned(mdb_uuid_to_string(mdb->pg_buf, f.start))); break;
        case MDB_NUMERIC:
          values[k] = decimalValue(owned(mdb_numeric_to_string(mdb, f.start, column->col_scale, column->col_prec)));
          break;
        case MDB_OLE: {
          if (f.siz == 0) {
            values[k] = Variant(Bytes());
            break;
          }
          size_t length = 0;
          void* data = mdb_ole_read_full(mdb, column, &length);
          const auto* bytes = static_cast<const uint8_t*>(data);
          values[k] = Variant(bytes ? Bytes(bytes, bytes + length) : Bytes());
          std::free(data);
          break;
        }
        default:  // Text, Memo
          values[k] = Variant(f.siz == 0 ? std::string()
                                         : owned(mdb_col_to_string(mdb, mdb->pg_buf, f.start, column->col_type, f.siz)));
          break;
      }
    }
    row(values);
  }
}

}  // namespace svrZIVE::access
