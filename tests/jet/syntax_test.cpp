// The dialect's tokens and statement forms that the other tests do not show.
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Syntax : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("T00_GENERAL", {{"T00_Idioma", DaoType::Text, 9}, {"T00_ActOnline", DaoType::Integer},
                             {"AÑO", DaoType::Long}, {"Order", DaoType::Long}, {"a b", DaoType::Double}});
    execSqlite("INSERT INTO T00_GENERAL VALUES ('C', -1, 2016, 3, 0.5)");
  }
};

TEST_F(Syntax, StatementForms) {
  const std::pair<const char*, const char*> cases[] = {
      {"select T00_Idioma from T00_GENERAL", "('C')"}, {"sElEcT t00_idioma FrOm t00_general;", "('C')"},
      {"SELECT T00_Idioma FROM T00_GENERAL ;  ", "('C')"}, {"SELECT ALL T00_Idioma FROM T00_GENERAL", "('C')"},
      {"SELECT DISTINCTROW T00_Idioma FROM T00_GENERAL", "('C')"},
      {"SELECT [T00_GENERAL].[T00_Idioma] FROM [T00_GENERAL]", "('C')"},
      {"SELECT g.T00_Idioma FROM T00_GENERAL g", "('C')"},
      {"SELECT AÑO, [Order], [a b] FROM T00_GENERAL", "(2016,3,0.5)"},
      {"SELECT [a b] * 2 AS [the double] FROM T00_GENERAL", "(1)"},
      {"SELECT .5 + 1., 1.5E+3, 2E-1 FROM T00_GENERAL", "(1.5,1500,0.2)"},
      {"SELECT 3000000000 FROM T00_GENERAL", "(3000000000)"},
      {"SELECT NULL, null, TRUE, false FROM T00_GENERAL", "(<null>,<null>,-1,0)"}, {"SELECT 1 + 1", "(2)"},
      {"SELECT T00_ActOnline FROM T00_GENERAL WHERE T00_ActOnline = -1", "(-1)"},
      {"SELECT T00_ActOnline FROM T00_GENERAL WHERE Not T00_ActOnline = 0", "(-1)"},
      {"SELECT T00_ActOnline FROM T00_GENERAL WHERE T00_ActOnline", "(-1)"},
      {"SELECT count(*) FROM T00_GENERAL WHERE T00_Idioma = \"c\"", "(1)"},
      {"SELECT ucase(t00_idioma) & LCASE('X') FROM T00_GENERAL", "('Cx')"},
      // Texts with doubled quotes inside, operators of one and two characters.
      {"SELECT 'it''s', \"say \"\"hi\"\"\", 7 \\ 2, 2 ^ 3, 1 <> 2, 1 <= 2, 1 >= 2 FROM T00_GENERAL;",
      "('it's','say \"hi\"',3,8,-1,-1,0)"},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(show(query(sql)), expected) << sql << " -> " << last_.sql;
  query("SELECT [a b] * 2 AS [the double], AÑO FROM T00_GENERAL");
  EXPECT_EQ(columns(), "the double:Unknown AÑO:Long");
}

TEST_F(Syntax, ActionForms) {
  expectResults({
      {"Update T00_GENERAL Set T00_Idioma ='E'", ""}, {"Update T00_GENERAL Set T00_ActOnline =0", ""},
      {"select T00_Idioma, T00_ActOnline from T00_GENERAL", "('E',0)"},
      {"insert into T00_GENERAL (T00_ACTONLINE,T00_IDIOMA) values (-1,'C')", ""},
      {"INSERT INTO [T00_GENERAL] ([T00_GENERAL].[AÑO]) VALUES (1)", ""},
      {"SELECT T00_Idioma, AÑO FROM T00_GENERAL ORDER BY AÑO", "('C',<null>)(<null>,1)('E',2016)"},
      {"DELETE FROM T00_GENERAL AS g WHERE g.AÑO = 1", ""}, {"SELECT count(*) FROM T00_GENERAL", "(2)"},
  });
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
