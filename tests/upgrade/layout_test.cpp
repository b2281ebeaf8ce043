// The layout notation the tables and field steps are written in. The tables
// themselves are checked where the upgrade builds and compares them.
#include <gtest/gtest.h>

#include "upgrade/base_layout.h"
#include "upgrade/layout.h"

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

}  // namespace
}  // namespace svrZIVE::upgrade
