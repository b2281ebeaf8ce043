#include "cli/table_printer.h"

#include <algorithm>

namespace svrZIVE::cli {
namespace {

// Characters, not bytes: UTF-8 continuation bytes do not take a column.
size_t displayWidth(const std::string& s) {
  return static_cast<size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void pad(std::ostream& out, const std::string& cell, size_t width, bool right) {
  size_t fill = width - std::min(width, displayWidth(cell));
  if (right) out << std::string(fill, ' ') << cell;
  else out << cell << std::string(fill, ' ');
}

}  // namespace

void TextTable::print(std::ostream& out) const {
  std::vector<size_t> widths(header.size(), 0);
  for (size_t c = 0; c < header.size(); ++c) widths[c] = displayWidth(header[c]);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size() && c < widths.size(); ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));

  auto line = [&](const std::vector<std::string>& cells, bool isHeader) {
    for (size_t c = 0; c < widths.size(); ++c) {
      if (c) out << " | ";
      bool right = c < rightAligned.size() && rightAligned[c];
      pad(out, c < cells.size() ? cells[c] : std::string(), widths[c], right && !isHeader);
    }
    out << '\n';
  };
  line(header, true);
  for (size_t c = 0; c < widths.size(); ++c) out << (c ? "-+-" : "") << std::string(widths[c], '-');
  out << '\n';
  for (const auto& row : rows) line(row, false);
}

}  // namespace svrZIVE::cli
