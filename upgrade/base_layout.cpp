#include "upgrade/base_layout.h"

namespace svrZIVE::upgrade {
namespace {

struct BaseTable {
  std::string_view name;
  std::vector<ColumnGroup> groups;
};

// Text sizes: see "Text sizes of the first layout" in docs/DESIGN.md.
// Number fields default to 0; keys of the detail tables are required.
const std::vector<BaseTable>& baseTables() {
  static const std::vector<BaseTable> tables = {
      {"T01_DECLARANTES",
       {{0, 0,
         "T01_CSDE:C T01_NIF:T9 T01_NOMB:T100 T01_SIGLDOM:T5 T01_NOMDOM:T100 T01_NUMDOM:L"
         " T01_LETDOM:T5 T01_ESCDOM:T5 T01_PISDOM:T5 T01_MANDOM:T5 T01_PRODOM:B T01_CPODOM:L"
         " T01_MUNDOM:I T01_NMUDOM:T100 T01_PRETEL:I T01_NUMTEL:L"}}},
      {"T02_DECLARACIONES",
       {{0, 0,
         "T02_SECDEC:C T02_CSDE:L T02_EJER:L T02_PERDAD:T3 T02_PERNUM:T3 T02_MODELO:T3"
         " T02_TIPOL:B T02_IMPFIN"}}},
      {"T03_TIPOLOGIA1", {{0, 0, "T03_SECDEC:L! T03_BASEIMP T03_TIPO T03_CUOTA"}}},
      {"T04_TIPOLOGIA2",
       {{0, 0, "T04_SECDEC:L!"},
        {1, 6, "T04_CODEPI#:T6 T04_BASIMP# T04_GRAPLA#:I T04_TIPO# T04_CUOTA#"},
        {0, 0, "T04_CUOTAINTEGRA T04_DEDUCCUOTA T04_CUOTA"}}},
      {"T05_TIPOLOGIA3",
       {{0, 0, "T05_SECDEC:L!"},
        {1, 4, "T05_CODEPI#:T6 T05_BASIMP# T05_TIPO# T05_CUOTA#"},
        {0, 0, "T05_CUOTAINTEGRA T05_DEDUCCUOTA T05_CUOTA"}}},
      {"T06_TIPOLOGIA4",
       {{0, 0, "T06_SECDEC:L!"},
        {1, 2, "T06_CODEPI#:T6 T06_BASIMP# T06_TIPO# T06_CUOTA#"},
        {0, 0, "T06_CUOTAINTEGRA T06_DEDUCCUOTA T06_CUOTA"}}},
      {"T07_TIPOLOGIA5",
       {{0, 0, "T07_SECDEC:L!"},
        {1, 16, "T07_CODEPI#:T6 T07_BASIMP# T07_TIPO# T07_CUOTA#"},
        {0, 0, "T07_CUOTAINTEGRA T07_DEDUCCUOTA T07_CUOTA"}}},
      {"T08_TIPOLOGIA6",
       {{0, 0, "T08_SECDEC:L!"},
        {1, 5, "T08_CODEPI#:T6 T08_BASIMP# T08_TIPO# T08_CUOTA#"},
        {0, 0, "T08_CUOTAINTEGRA T08_DEDUCCUOTA T08_CUOTA"}}},
  };
  return tables;
}

}  // namespace

const std::vector<TableLayout>& baseLayout() {
  static const std::vector<TableLayout> layout = [] {
    std::vector<TableLayout> out;
    for (const auto& table : baseTables())
      out.push_back({std::string(table.name), expandColumns(table.groups, NumberDefault::ZeroText)});
    return out;
  }();
  return layout;
}

void createBaseLayout(engine::Database& database) {
  for (const auto& table : baseLayout()) createTable(database, table);
}

}  // namespace svrZIVE::upgrade
