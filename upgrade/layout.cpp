#include "upgrade/layout.h"

#include <charconv>
#include <stdexcept>

namespace svrZIVE::upgrade {
namespace {

using engine::DaoType;

[[noreturn]] void badToken(std::string_view token, std::string_view why) {
  throw std::invalid_argument("layout token '" + std::string(token) + "': " + std::string(why));
}

bool readInt(std::string_view text, int& out) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

Variant ColumnDef::defaultVariant() const {
  switch (defaultKind) {
    case DefaultKind::Text: return Variant(defaultText);
    case DefaultKind::Number: return Variant(defaultNumber);
    case DefaultKind::None: break;
  }
  return Variant();
}

ColumnDef parseColumn(std::string_view token, int line, NumberDefault numbers) {
  ColumnDef column;
  std::string_view rest = token;
  std::string_view defaultPart;
  bool hasDefault = false;
  if (auto eq = rest.find('='); eq != std::string_view::npos) {
    hasDefault = true;
    defaultPart = rest.substr(eq + 1);
    rest = rest.substr(0, eq);
  }
  if (!rest.empty() && rest.back() == '!') {
    column.required = true;
    rest.remove_suffix(1);
  }
  std::string_view type = "D";
  if (auto colon = rest.find(':'); colon != std::string_view::npos) {
    type = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
  }
  if (rest.empty()) badToken(token, "no name");
  for (char c : rest) {
    if (c == '#') {
      if (line <= 0) badToken(token, "'#' outside a numbered group");
      column.name += std::to_string(line);
    } else {
      column.name += c;
    }
  }
  switch (type.empty() ? '?' : type.front()) {
    case 'D': column.type = DaoType::Double; break;
    case 'L': column.type = DaoType::Long; break;
    case 'B': column.type = DaoType::Byte; break;
    case 'C':
      column.type = DaoType::Long;
      column.counter = true;
      break;
    case 'I':
      column.type = DaoType::Integer;
      if (type.size() > 1 && !readInt(type.substr(1), column.size)) badToken(token, "bad size");
      break;
    case 'T':
      column.type = DaoType::Text;
      if (!readInt(type.substr(1), column.size) || column.size < 1 || column.size > 255)
        badToken(token, "bad text size");
      break;
    default: badToken(token, "unknown type");
  }
  if ((type.front() != 'T' && type.front() != 'I') && type.size() > 1) badToken(token, "unexpected size");

  if (hasDefault) {
    int number = 0;
    if (!column.isText() && readInt(defaultPart, number) && number >= INT16_MIN && number <= INT16_MAX) {
      column.defaultKind = DefaultKind::Number;
      column.defaultNumber = static_cast<int16_t>(number);
    } else {
      column.defaultKind = DefaultKind::Text;
      column.defaultText = std::string(defaultPart);
    }
  } else if (!column.isText() && !column.counter) {
    switch (numbers) {
      case NumberDefault::ZeroText:
        column.defaultKind = DefaultKind::Text;
        column.defaultText = "0";
        break;
      case NumberDefault::ZeroNumber:
        column.defaultKind = DefaultKind::Number;
        column.defaultNumber = 0;
        break;
      case NumberDefault::None: break;
    }
  }
  return column;
}

std::vector<ColumnDef> expandColumns(std::span<const ColumnGroup> groups, NumberDefault numbers) {
  std::vector<ColumnDef> out;
  for (const auto& group : groups) {
    int first = group.first, last = group.last;
    if (first == 0 && last == 0) first = last = -1;  // once, unnumbered
    for (int line = first; line <= last; ++line) {
      std::string_view text = group.columns;
      while (!text.empty()) {
        size_t start = text.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        text.remove_prefix(start);
        size_t end = text.find(' ');
        std::string_view token = text.substr(0, end);
        out.push_back(parseColumn(token, line < 0 ? 0 : line, numbers));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end);
      }
    }
  }
  return out;
}

std::shared_ptr<engine::Field> makeField(engine::TableDef& table, const ColumnDef& column) {
  auto field = table.createField(column.name, column.type, column.size);
  if (column.counter) field->setAttributes(field->attributes() | engine::dbAutoIncrField);
  if (column.defaultKind != DefaultKind::None) field->setDefaultValue(column.defaultVariant());
  field->setRequired(column.required);
  if (column.isText()) field->setAllowZeroLength(true);
  return field;
}

void createTable(engine::Database& database, const TableLayout& layout) {
  auto table = database.createTableDef(layout.name);
  for (const auto& column : layout.columns) table->fields().append(makeField(*table, column));
  database.tableDefs().append(table);
}

}  // namespace svrZIVE::upgrade
