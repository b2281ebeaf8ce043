// Plain-text tables for people: a header of column names, a rule, one line
// per row, columns as wide as their widest cell (counted in characters).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace svrZIVE::cli {

struct TextTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> rightAligned;  // per column; numbers read better aligned right

  void print(std::ostream& out) const;
};

}  // namespace svrZIVE::cli
