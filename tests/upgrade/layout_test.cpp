// The layouts as data: the notation, the first layout and the tables and
// fields the steps create. No database involved.
#include <gtest/gtest.h>

#include <set>

#include "upgrade/base_layout.h"
#include "upgrade/layout.h"
#include "upgrade/schema_steps.h"

namespace svrZIVE::upgrade {
namespace {

using engine::DaoType;

TEST(LayoutNotation, ReadsTypesSizesRequiredAndDefaults) {
  struct Case {
    const char* token;
    int line;
    const char* name;
    DaoType type;
    int32_t size;
    bool counter;
    bool required;
    DefaultKind kind;
    std::string text;
    int16_t number;
  };
  const Case cases[] = {
      {"T09_SECDEC!", 0, "T09_SECDEC", DaoType::Double, 0, false, true, DefaultKind::Text, "0", 0},
      {"T09_CODEPI#:T6", 12, "T09_CODEPI12", DaoType::Text, 6, false, false, DefaultKind::None, "", 0},
      {"T00_ACTONLINE:I9!=-1", 0, "T00_ACTONLINE", DaoType::Integer, 9, false, true, DefaultKind::Number, "", -1},
      {"T00_IDIOMA:T9=", 0, "T00_IDIOMA", DaoType::Text, 9, false, false, DefaultKind::Text, "", 0},
      {"T12_PPE_CLAVE:T2=00", 0, "T12_PPE_CLAVE", DaoType::Text, 2, false, false, DefaultKind::Text, "00", 0},
      {"T14_CE_OPEPRO#=", 1, "T14_CE_OPEPRO1", DaoType::Double, 0, false, false, DefaultKind::Text, "", 0},
      {"T02_SECDEC:C", 0, "T02_SECDEC", DaoType::Long, 0, true, false, DefaultKind::None, "", 0},
      {"T02_TIPOL:B", 0, "T02_TIPOL", DaoType::Byte, 0, false, false, DefaultKind::Text, "0", 0},
      {"T01_CPODOM:L", 0, "T01_CPODOM", DaoType::Long, 0, false, false, DefaultKind::Text, "0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token);
    ColumnDef column = parseColumn(c.token, c.line, NumberDefault::ZeroText);
    EXPECT_EQ(column.name, c.name);
    EXPECT_EQ(column.type, c.type);
    EXPECT_EQ(column.size, c.size);
    EXPECT_EQ(column.counter, c.counter);
    EXPECT_EQ(column.required, c.required);
    EXPECT_EQ(column.defaultKind, c.kind);
    if (c.kind == DefaultKind::Text) {
      EXPECT_EQ(column.defaultText, c.text);
    }
    if (c.kind == DefaultKind::Number) {
      EXPECT_EQ(column.defaultNumber, c.number);
    }
  }
}

TEST(LayoutNotation, NumberDefaultStyles) {
  EXPECT_EQ(parseColumn("X", 0, NumberDefault::ZeroNumber).defaultKind, DefaultKind::Number);
  EXPECT_EQ(parseColumn("X", 0, NumberDefault::None).defaultKind, DefaultKind::None);
  EXPECT_EQ(parseColumn("X:T5", 0, NumberDefault::ZeroNumber).defaultKind, DefaultKind::None);
}

TEST(LayoutNotation, RejectsMalformedTokens) {
  for (const char* token : {"", ":T5", "X:T0", "X:T256", "X:Q", "X#", "X:L4", "X:T"}) {
    SCOPED_TRACE(token);
    EXPECT_THROW(parseColumn(token, 0, NumberDefault::None), std::invalid_argument);
  }
}

TEST(LayoutNotation, GroupsKeepTheFieldsOfOneLineTogether) {
  const ColumnGroup groups[] = {{0, 0, "K!"}, {1, 2, "A# B#:T1"}, {0, 0, "Z"}};
  auto columns = expandColumns(groups, NumberDefault::ZeroText);
  std::vector<std::string> names;
  for (const auto& c : columns) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"K", "A1", "B1", "A2", "B2", "Z"}));
}

TEST(FirstLayout, TablesAndColumnCounts) {
  struct Case {
    const char* table;
    size_t columns;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"T01_DECLARANTES", 16, "T01_CSDE", "T01_NUMTEL"},
      {"T02_DECLARACIONES", 8, "T02_SECDEC", "T02_IMPFIN"},
      {"T03_TIPOLOGIA1", 4, "T03_SECDEC", "T03_CUOTA"},
      {"T04_TIPOLOGIA2", 34, "T04_SECDEC", "T04_CUOTA"},
      {"T05_TIPOLOGIA3", 20, "T05_SECDEC", "T05_CUOTA"},
      {"T06_TIPOLOGIA4", 12, "T06_SECDEC", "T06_CUOTA"},
      {"T07_TIPOLOGIA5", 68, "T07_SECDEC", "T07_CUOTA"},
      {"T08_TIPOLOGIA6", 24, "T08_SECDEC", "T08_CUOTA"},
  };
  ASSERT_EQ(baseLayout().size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& table = baseLayout()[i];
    SCOPED_TRACE(table.name);
    EXPECT_EQ(table.name, cases[i].table);
    ASSERT_EQ(table.columns.size(), cases[i].columns);
    EXPECT_EQ(table.columns.front().name, cases[i].first);
    EXPECT_EQ(table.columns.back().name, cases[i].last);
    std::set<std::string> unique;
    for (const auto& c : table.columns) {
      EXPECT_TRUE(unique.insert(c.name).second) << c.name;
      for (char ch : c.name) EXPECT_FALSE(ch >= 'a' && ch <= 'z') << c.name;
      if (c.isText()) {
        EXPECT_GT(c.size, 0) << c.name;
      }
    }
    // The declarants and declarations are keyed by counters, the forms by a required Long.
    if (i < 2) {
      EXPECT_TRUE(table.columns[0].counter);
    } else {
      EXPECT_EQ(table.columns[0].type, DaoType::Long);
      EXPECT_TRUE(table.columns[0].required);
    }
  }
  const auto& t01 = baseLayout()[0].columns;
  EXPECT_EQ(t01[1].name, "T01_NIF");
  EXPECT_EQ(t01[1].size, 9);
  EXPECT_EQ(baseLayout()[1].columns[6].type, DaoType::Byte);
  EXPECT_EQ(baseLayout()[3].columns[3].name, "T04_GRAPLA1");
  EXPECT_EQ(baseLayout()[3].columns[3].type, DaoType::Integer);
  // Line 6 of form 566 comes with the upgrade.
  EXPECT_EQ(baseLayout()[7].columns[20].name, "T08_CUOTA5");
  EXPECT_EQ(baseLayout()[7].columns[21].name, "T08_CUOTAINTEGRA");
}

TEST(CreatedTables, ColumnCountsOrderAndKinds) {
  struct Case {
    const char* table;
    size_t columns;
    const char* at1;  // the second column
    const char* last;
    FieldMaking making;
  };
  const Case cases[] = {
      {"T09_TIPOLOGIA5_NUEVA", 76, "T09_CODEPI1", "T09_CUOTA", FieldMaking::Inline},
      {"T00_GENERAL", 2, "T00_IDIOMA", "T00_IDIOMA", FieldMaking::Inline},
      {"T10_TIPOLOGIA8", 113, "T10_EXINI1", "T10_RECEP8", FieldMaking::Helpers},
      {"T11_TIPOLOGIA9", 157, "T11_PM_MATERIA1", "T11_MA_RECEP6", FieldMaking::Helpers},
      {"T12_TIPOLOGIA10", 177, "T12_PM_MATERIA1", "T12_PPE_DIFER", FieldMaking::Helpers},
      {"T13_TIPOLOGIA11", 163, "T13_PM_MATERIA1", "T13_MB_RECEP6", FieldMaking::Helpers},
      {"T14_TIPOLOGIA12", 127, "T14_PM_MATERIA1", "T14_PM_EXTR10", FieldMaking::Helpers},
      {"T15_TIPOLOGIA13", 97, "T15_EPIG1", "T15_RECEP6", FieldMaking::Helpers},
      {"T16_TIPOLOGIA14", 77, "T16_EPIG1", "T16_RECEP4", FieldMaking::Helpers},
      {"T17_TIPOLOGIA15", 95, "T17_CODEPI1", "T17_CUOTA", FieldMaking::Inline},
      {"T18_TIPOLOGIA16", 61, "T18_CUENTA", "T18_CUOINT", FieldMaking::Inline},
      {"T19_TIPOLOGIA1", 141, "T19_BASEIMP", "T19_CUOLIQTOT16", FieldMaking::Inline},
  };
  ASSERT_EQ(tableSteps().size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& step = tableSteps()[i];
    SCOPED_TRACE(std::string(step.name));
    EXPECT_EQ(step.name, cases[i].table);
    auto columns = tableColumns(step);
    ASSERT_EQ(columns.size(), cases[i].columns);
    EXPECT_EQ(columns[1].name, cases[i].at1);
    EXPECT_EQ(columns.back().name, cases[i].last);
    EXPECT_EQ(step.making, cases[i].making);
    std::set<std::string> unique;
    for (const auto& c : columns) EXPECT_TRUE(unique.insert(c.name).second) << c.name;
    if (step.name == "T00_GENERAL") continue;
    // The key: a required Double; the other fields are not required.
    EXPECT_EQ(columns[0].type, DaoType::Double);
    EXPECT_TRUE(columns[0].required);
    for (size_t c = 1; c < columns.size(); ++c) EXPECT_FALSE(columns[c].required) << columns[c].name;
    // Double defaults: the text "0" inline, the number 0 through the helpers; texts none.
    for (const auto& c : columns) {
      if (c.isText()) {
        EXPECT_EQ(c.defaultKind, DefaultKind::None) << c.name;
      } else if (step.making == FieldMaking::Inline) {
        EXPECT_EQ(c.defaultKind, DefaultKind::Text) << c.name;
        EXPECT_EQ(c.defaultText, "0") << c.name;
      } else {
        EXPECT_EQ(c.defaultKind, DefaultKind::Number) << c.name;
      }
    }
  }
}

TEST(CreatedTables, TextFieldsAndTheirSizes) {
  auto textsOf = [](const char* table) {
    std::vector<std::string> out;
    for (const auto& c : tableColumns(*findTableStep(table)))
      if (c.isText()) out.push_back(c.name + "/" + std::to_string(c.size));
    return out;
  };
  EXPECT_EQ(textsOf("T10_TIPOLOGIA8").size(), 0u);
  EXPECT_EQ(textsOf("T12_TIPOLOGIA10"),
            (std::vector<std::string>{"T12_PE_GRADO1/1", "T12_PE_GRADO2/1", "T12_PE_GRADO3/1", "T12_PE_GRADO4/1",
                                      "T12_PE_GRADO5/1"}));
  EXPECT_EQ(textsOf("T18_TIPOLOGIA16")[0], "T18_CUENTA/20");
  EXPECT_EQ(textsOf("T18_TIPOLOGIA16")[2], "T18_REX_AC1/2");
  EXPECT_EQ(textsOf("T17_TIPOLOGIA15").size(), 7u + 42u);
  EXPECT_EQ(textsOf("T19_TIPOLOGIA1").size(), 32u);
  EXPECT_EQ(textsOf("T00_GENERAL"), (std::vector<std::string>{"T00_IDIOMA/9"}));
}

TEST(FieldSteps, MarkersTablesAndFieldCounts) {
  struct Case {
    const char* marker;
    const char* table;
    size_t fields;
  };
  const Case cases[] = {
      {"T08_CODEPI6", "T08_TIPOLOGIA6", 4},     {"T02_CAE", "T02_DECLARACIONES", 3},
      {"T02_ADMCOM", "T02_DECLARACIONES", 1},   {"T02_NESTAB", "T02_DECLARACIONES", 2},
      {"T03_TOTALCUOTA_A", "T03_TIPOLOGIA1", 8}, {"T03_BASEEXENTA", "T03_TIPOLOGIA1", 1},
      {"T10_OPEPRO1", "T10_TIPOLOGIA8", 8},     {"T12_PPE_CLAVE1", "T12_TIPOLOGIA10", 8},
      {"T14_CE_OPEPRO1", "T14_TIPOLOGIA12", 6}, {"T16_OPEPRO1", "T16_TIPOLOGIA14", 4},
      {"T03_BASEIMP3", "T03_TIPOLOGIA1", 4},
  };
  ASSERT_EQ(fieldSteps().size(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.marker);
    const FieldStep* step = findFieldStep(c.marker);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->table, c.table);
    size_t n = 0;
    for (const auto& f : step->fields) n += f.first == 0 ? 1 : size_t(f.last - f.first + 1);
    EXPECT_EQ(n, c.fields);
  }
  EXPECT_EQ(findFieldStep("t02_cae"), nullptr);
  EXPECT_EQ(findTableStep("t19_tipologia1"), nullptr);
}

}  // namespace
}  // namespace svrZIVE::upgrade
