// A stock form under test in the benchmarks: its layout and typology, its
// columns as statements name them, and the save buffer of a detail row whose
// every column holds a value of its own, on a file and on a server alike.
#pragma once

#include <cstdint>
#include <string>

#include "base/variant.h"
#include "forms/form_layout.h"

namespace svrZIVE::bench {

// A typology under test: its layout and number.
struct Form {
  const forms::FormLayout& (*layout)();
  int typology;
};

inline const Form kT8{forms::layoutTipologia8, 8};

inline int columnCount(const Form& f) { return static_cast<int>(f.layout().columns.size()); }
inline const std::string& tableOf(const Form& f) { return f.layout().table; }
inline const std::string& keyOf(const Form& f) { return f.layout().keyName(); }
inline forms::PropertyType typeOf(const Form& f, int column) { return f.layout().columns[column].type; }

// The column names in the form's order (key first), joined by ",".
inline std::string columnList(const Form& f) {
  std::string out;
  for (const auto& c : f.layout().columns) out += (out.empty() ? "" : ",") + c.name;
  return out;
}

// The statement that writes the detail rows of the headers meeting
// `headerFilter` into `table` (the form's table as the store spells it): the
// key, then in column i `key + i` (a letter in the text columns, within the
// Integer range in the Integer ones). Plain SQL, for SQLite and the server.
inline std::string detailInsert(const Form& f, const std::string& table, const std::string& headerFilter) {
  std::string select = "SELECT T02_SECDEC";
  for (int i = 1; i < columnCount(f); ++i) {
    const std::string n = std::to_string(i);
    switch (typeOf(f, i)) {
      case forms::PropertyType::Text:
      case forms::PropertyType::Char: select += ", 'A'"; break;
      case forms::PropertyType::Integer: select += ", (T02_SECDEC + " + n + ") % 30000"; break;
      default: select += ", T02_SECDEC + " + n + ".5"; break;
    }
  }
  return "INSERT INTO " + table + " (" + columnList(f) + ") " + select + " FROM T02_DECLARACIONES WHERE " +
         headerFilter;
}

// The value of column i of `secdec` in round `round`.
inline Variant element(const Form& f, int32_t secdec, int i, int round) {
  switch (typeOf(f, i)) {
    case forms::PropertyType::Long: return Variant(secdec);
    case forms::PropertyType::Text:
    case forms::PropertyType::Char: return Variant(std::string(1, char('A' + round % 26)));
    case forms::PropertyType::Integer: return Variant(int16_t((secdec + i + round) % 30000));
    case forms::PropertyType::Double: break;
  }
  return Variant(secdec * 1000.0 + i + round * 0.25);
}

// The save buffer of `secdec`: element e carries the value of its column.
inline Variant buffer(const Form& f, int32_t secdec, int round) {
  VariantArray b = VariantArray::vector(0, columnCount(f) - 1);
  for (int32_t e = 0; e < columnCount(f); ++e) b[e] = element(f, secdec, f.layout().bufferColumn(e), round);
  return Variant(std::move(b));
}

// The columns the form's carry forward selects ("T10_EXFIN1,...").
inline std::string carriedColumns(const Form& f) {
  const std::string& query = f.layout().carryForward->pieces.front().first;
  std::size_t from = query.find(" top 1 ") + 7, to = query.find(" from ");
  return query.substr(from, to - from);
}

// The carry-forward query as a programmer writes it in plain SQL: the headers LEFT
// JOIN their detail (the rows of the RIGHT JOIN), the ties of "top 1" kept
// with a rank.
inline std::string rawCarry(const Form& f) {
  const std::string list = carriedColumns(f), table = tableOf(f);
  return "SELECT " + list + " FROM (SELECT " + list +
         ", RANK() OVER (ORDER BY T02_DECLARACIONES.T02_EJER DESC, T02_DECLARACIONES.T02_PERNUM DESC) AS r"
         " FROM T02_DECLARACIONES LEFT JOIN " + table + " ON T02_DECLARACIONES.T02_SECDEC = " + table + "." +
         keyOf(f) + " WHERE T02_DECLARACIONES.T02_CSDE = ?1 AND T02_DECLARACIONES.T02_TIPOL = " +
         std::to_string(f.typology) +
         " AND T02_DECLARACIONES.T02_PERDAD = ?2 AND T02_DECLARACIONES.T02_EJER <= ?3"
         " AND T02_DECLARACIONES.T02_SECDEC < ?4) AS ranked WHERE r <= 1";
}

}  // namespace svrZIVE::bench
