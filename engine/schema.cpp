#include "engine/schema.h"

#include <algorithm>

namespace svrZIVE::engine {

bool isPlainNumberType(DaoType type) {
  switch (type) {
    case DaoType::Boolean:
    case DaoType::Byte:
    case DaoType::Integer:
    case DaoType::Long:
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date: return true;
    default: return false;
  }
}

std::string_view daoTypeName(DaoType type) {
  switch (type) {
    case DaoType::Unknown: return "Unknown";
    case DaoType::Boolean: return "Boolean";
    case DaoType::Byte: return "Byte";
    case DaoType::Integer: return "Integer";
    case DaoType::Long: return "Long";
    case DaoType::Currency: return "Currency";
    case DaoType::Single: return "Single";
    case DaoType::Double: return "Double";
    case DaoType::Date: return "Date";
    case DaoType::Text: return "Text";
    case DaoType::Memo: return "Memo";
    case DaoType::Binary: return "Binary";
    case DaoType::LongBinary: return "LongBinary";
    case DaoType::GUID: return "GUID";
    case DaoType::Decimal: return "Decimal";
  }
  return "Unknown";
}

// Names compare ignoring the letter case of A to Z (the C library's tolower
// in the "C" locale, without its call per byte: a form's layout is looked
// up name by name among a hundred fields that differ only at their ends).
static unsigned char foldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool namesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return x == y || foldAscii(x) == foldAscii(y);
         });
}

static bool nameLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return foldAscii(x) < foldAscii(y);
  });
}

void sortByOrdinalPosition(std::vector<ColumnInfo>& columns) {
  std::stable_sort(columns.begin(), columns.end(), [](const ColumnInfo& a, const ColumnInfo& b) {
    if (a.ordinalPosition != b.ordinalPosition) return a.ordinalPosition < b.ordinalPosition;
    return nameLess(a.name, b.name);
  });
}

const ColumnInfo* TableInfo::findColumn(std::string_view column) const {
  for (const auto& c : columns)
    if (namesEqual(c.name, column)) return &c;
  return nullptr;
}

namespace {

std::string quoted(std::string_view text, char mark) {
  std::string out(1, mark);
  for (char c : text) {
    if (c == mark) out += mark;
    out += c;
  }
  return out + mark;
}

}  // namespace

std::string quoteName(std::string_view name) { return quoted(name, '"'); }
std::string quoteText(std::string_view text) { return quoted(text, '\''); }

}  // namespace svrZIVE::engine
