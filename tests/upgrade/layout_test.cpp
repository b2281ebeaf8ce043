// The layout notation the tables and field steps are written in. The tables
// themselves are checked where the upgrade builds and compares them.
#include <gtest/gtest.h>

#include "upgrade/base_layout.h"
#include "upgrade/layout.h"
#include "upgrade_support.h"

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

// Every table of the current layout as `zive init` makes it: the number of
// columns and the first and last of `Select *`. The form tables that no form
// reads or writes yet are checked nowhere else.
TEST(CurrentLayout, TablesColumnCountsAndEnds) {
  struct Case {
    const char* table;
    std::size_t columns;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"T00_GENERAL", 2, "T00_ACTONLINE", "T00_IDIOMA"},
      {"T01_DECLARANTES", 16, "T01_CSDE", "T01_NUMTEL"},
      {"T02_DECLARACIONES", 13, "T02_SECDEC", "T02_DIRESTAB"},
      {"T03_TIPOLOGIA1", 17, "T03_SECDEC", "T03_TOTALCUOTA_N"},
      {"T04_TIPOLOGIA2", 34, "T04_SECDEC", "T04_CUOTA"},
      {"T05_TIPOLOGIA3", 20, "T05_SECDEC", "T05_CUOTA"},
      {"T06_TIPOLOGIA4", 12, "T06_SECDEC", "T06_CUOTA"},
      {"T07_TIPOLOGIA5", 68, "T07_SECDEC", "T07_CUOTA"},
      {"T08_TIPOLOGIA6", 28, "T08_SECDEC", "T08_CUOTA"},
      {"T09_TIPOLOGIA5_NUEVA", 76, "T09_SECDEC", "T09_CUOTA"},
      {"T10_TIPOLOGIA8", 113, "T10_SECDEC", "T10_RECEP8"},
      {"T11_TIPOLOGIA9", 157, "T11_SECDEC", "T11_MA_RECEP6"},
      {"T12_TIPOLOGIA10", 185, "T12_SECDEC", "T12_PPE_DIFER1"},
      {"T13_TIPOLOGIA11", 163, "T13_SECDEC", "T13_MB_RECEP6"},
      {"T14_TIPOLOGIA12", 127, "T14_SECDEC", "T14_PM_EXTR10"},
      {"T15_TIPOLOGIA13", 97, "T15_SECDEC", "T15_RECEP6"},
      {"T16_TIPOLOGIA14", 77, "T16_SECDEC", "T16_RECEP4"},
      {"T17_TIPOLOGIA15", 95, "T17_SECDEC", "T17_CUOTA"},
      {"T18_TIPOLOGIA16", 61, "T18_SECDEC", "T18_CUOINT"},
      {"T19_TIPOLOGIA1", 141, "T19_SECDEC", "T19_CUOLIQTOT16"},
  };
  const testing::LayoutShape& layout = testing::initLayout();
  EXPECT_EQ(layout.size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    auto table = layout.find(c.table);
    ASSERT_NE(table, layout.end());
    const std::vector<std::string>& columns = table->second.selectStar;
    ASSERT_EQ(columns.size(), c.columns);
    EXPECT_EQ(columns.front(), c.first);
    EXPECT_EQ(columns.back(), c.last);
  }
}

}  // namespace
}  // namespace svrZIVE::upgrade
