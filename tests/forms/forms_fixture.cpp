#include "tests/forms/forms_fixture.h"

#include <cstring>
#include <regex>
#include <stdexcept>

#include "engine/dao.h"
#include "frame/class_registry.h"

namespace svrZIVE::testing {

std::vector<std::string> fieldNames(const std::string& file, const std::string& table) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  auto rs = db->openRecordset("SELECT * FROM " + table);
  std::vector<std::string> names;
  for (int32_t c = 0; c < rs->fields().count(); ++c) names.push_back(rs->fields().item(c)->name());
  rs->close();
  db->close();
  return names;
}

void insertHeader(const std::string& file, int32_t secdec, int32_t csde, int32_t year, const std::string& periodicity,
                  int32_t period, int32_t typology, const std::string& model) {
  std::string pernum = (period < 10 ? "0" : "") + std::to_string(period);
  execute(file,
          "INSERT INTO T02_Declaraciones (T02_SECDEC, T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, "
          "T02_TIPOL, T02_IMPFIN, T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM) VALUES (" +
              std::to_string(secdec) + "," + std::to_string(csde) + "," + std::to_string(year) + ",'" + periodicity +
              "','" + pernum + "','" + model + "'," + std::to_string(typology) + ",0,' ',' ',' ',' ',' ')");
}

double headerAmount(const std::string& file, int32_t secdec) {
  auto r = rows(file, "SELECT T02_IMPFIN FROM T02_Declaraciones WHERE T02_SECDEC = " + std::to_string(secdec));
  if (r.empty()) throw std::runtime_error("no header " + std::to_string(secdec));
  return std::stod(r[0][0]);
}

Variant call(const std::string& service, const std::string& member, std::vector<Variant> args) {
  return CreateObject("svrZIVE." + service)->invoke(member, args);
}

VariantArray numberedBuffer(int32_t n, double first) {
  VariantArray b = VariantArray::vector(0, n - 1);
  for (int32_t i = 0; i < n; ++i) b[i] = Variant(first + i);
  return b;
}

bool matches(const std::string& text, const std::string& pattern) {
  std::string expression;  // the pattern with every character taken literally, "…" as ".*"
  for (char c : pattern) expression += (std::strchr("\\^$.|?*+()[]{}", c) && c ? "\\" : "") + std::string(1, c);
  return std::regex_match(text, std::regex(std::regex_replace(expression, std::regex("…"), ".*")));
}

}  // namespace svrZIVE::testing
