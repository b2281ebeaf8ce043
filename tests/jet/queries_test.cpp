// Subqueries (IN, NOT IN, EXISTS, ANY/SOME/ALL, scalar, correlated, in
// UPDATE and DELETE, derived tables), UPDATE and DELETE over joins,
// DISTINCTROW, UNION and UNION ALL with ORDER BY, TOP n PERCENT,
// PARAMETERS declarations, the Yes/No, On/Off constants and the aggregates
// First, Last, Var, VarP, StDev and StDevP; then the dialect's tokens and
// statement forms that the other tests do not show.
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Queries : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("P", {{"ID", DaoType::Long}, {"NOMBRE", DaoType::Text, 20}, {"EDAD", DaoType::Integer},
                   {"ACTIVO", DaoType::Boolean}});
    addTable("V", {{"PID", DaoType::Long}, {"IMPORTE", DaoType::Double}, {"NOTA", DaoType::Text, 20}});
    execSqlite("INSERT INTO P VALUES (1, 'Ana', 30, -1), (2, 'Luis', 25, 0), (3, 'ana', 40, -1), (4, 'Eva', NULL, 0)");
    execSqlite("INSERT INTO V VALUES (1, 10, 'ANA'), (1, 5, 'x'), (3, 7, NULL), (9, 1, 'eva')");
  }
};

TEST_F(Queries, Results) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT ID FROM P WHERE ID IN (SELECT PID FROM V) ORDER BY ID", "(1)(3)"},
      {"SELECT ID FROM P WHERE ID NOT IN (SELECT PID FROM V) ORDER BY ID", "(2)(4)"},
      {"SELECT ID FROM P WHERE NOMBRE IN (SELECT NOTA FROM V) ORDER BY ID", "(1)(3)(4)"},
      {"SELECT ID FROM P WHERE EXISTS (SELECT * FROM V WHERE V.PID = P.ID) ORDER BY ID", "(1)(3)"},
      {"SELECT ID FROM P WHERE NOT EXISTS (SELECT * FROM V WHERE PID = ID) ORDER BY ID", "(2)(4)"},
      {"SELECT ID FROM P WHERE EDAD > ALL (SELECT IMPORTE * 3 FROM V) ORDER BY ID", "(3)"},
      {"SELECT ID FROM P WHERE EDAD < ANY (SELECT IMPORTE * 3 FROM V) ORDER BY ID", "(2)"},
      {"SELECT ID FROM P WHERE ID = SOME (SELECT PID FROM V WHERE IMPORTE > 6) ORDER BY ID", "(1)(3)"},
      {"SELECT ID, (SELECT sum(IMPORTE) FROM V WHERE V.PID = P.ID) AS TOTAL FROM P ORDER BY ID",
       "(1,15)(2,<null>)(3,7)(4,<null>)"},
      {"SELECT ID FROM P WHERE EDAD = (SELECT max(EDAD) FROM P)", "(3)"},
      {"SELECT ID FROM P WHERE ACTIVO = Yes ORDER BY ID", "(1)(3)"},
      {"SELECT ID FROM P WHERE ACTIVO = Off ORDER BY ID", "(2)(4)"},
      {"SELECT ID FROM P WHERE ACTIVO <> No AND ACTIVO = On ORDER BY ID", "(1)(3)"},
      {"SELECT UCase(NOMBRE) AS N FROM P UNION SELECT UCase(NOTA) FROM V ORDER BY N",
       "(<null>)('ANA')('EVA')('LUIS')('X')"},
      {"SELECT EDAD FROM P UNION ALL SELECT IMPORTE FROM V ORDER BY EDAD DESC", "(40)(30)(25)(10)(7)(5)(1)(<null>)"},
      {"SELECT ID AS N FROM P WHERE ID < 3 UNION SELECT PID FROM V UNION SELECT 7 FROM P ORDER BY N",
       "(1)(2)(3)(7)(9)"},
      {"SELECT count(*) FROM P WHERE ID IN (SELECT PID FROM V UNION SELECT 2 FROM V)", "(3)"},
      // TOP n PERCENT: n per cent of the rows rounded up, with the ties of the last.
      {"SELECT TOP 50 PERCENT ID FROM P ORDER BY EDAD DESC", "(3)(1)"},
      {"SELECT TOP 26 PERCENT ID FROM P ORDER BY EDAD", "(4)(2)"},
      {"SELECT TOP 50 PERCENT ID FROM P ORDER BY ACTIVO", "(1)(3)"}, {"SELECT TOP 75 PERCENT ID FROM P", "(1)(2)(3)"},
      // Derived tables; DISTINCTROW keeps one row per row of the tables it reads.
      {"SELECT t.N, t.TOTAL FROM (SELECT PID AS N, sum(IMPORTE) AS TOTAL FROM V GROUP BY PID) AS t "
       "WHERE t.TOTAL > 5 ORDER BY N", "(1,15)(3,7)"},
      {"SELECT NOMBRE, c FROM P INNER JOIN (SELECT PID, count(*) AS c FROM V GROUP BY PID) x ON x.PID = P.ID "
       "ORDER BY c DESC", "('Ana',2)('ana',1)"},
      {"SELECT DISTINCTROW P.NOMBRE FROM P INNER JOIN V ON V.PID = P.ID ORDER BY P.NOMBRE", "('Ana')('ana')"},
      {"SELECT DISTINCTROW NOMBRE, IMPORTE FROM P INNER JOIN V ON V.PID = P.ID ORDER BY IMPORTE",
       "('Ana',5)('ana',7)('Ana',10)"},
      {"SELECT ID FROM P INNER JOIN V ON V.PID = P.ID ORDER BY ID", "(1)(1)(3)"},
      // First and Last follow the order the rows were added in, Null values included.
      {"SELECT First(NOMBRE), Last(NOMBRE) FROM P WHERE EDAD > 0", "('Ana','ana')"},
      {"SELECT PID, First(NOTA), Last(IMPORTE) FROM V GROUP BY PID ORDER BY PID",
       "(1,'ANA',5)(3,<null>,7)(9,'eva',1)"},
      {"SELECT Last(EDAD) FROM P INNER JOIN V ON P.ID = V.PID", "(40)"},
      {"SELECT Var(IMPORTE), VarP(IMPORTE) FROM V", "(14.25,10.6875)"},
      {"SELECT StDev(IMPORTE), StDevP(IMPORTE) FROM V WHERE PID = 1", "(3.53553390593274,2.5)"},
      {"SELECT Var(IMPORTE), StDevP(IMPORTE) FROM V WHERE PID = 3", "(<null>,0)"},
  };
  for (const auto& [jet, expected] : cases) EXPECT_EQ(show(query(jet)), expected) << jet;
  // UNION drops rows that differ only in letter case, as Jet compares texts.
  EXPECT_EQ(query("SELECT NOMBRE FROM P WHERE ID = 1 UNION SELECT NOTA FROM V WHERE IMPORTE = 10").size(), 1u);
}

TEST_F(Queries, SubqueriesAndJoinsInWrites) {
  expectResults({
      {"UPDATE P SET EDAD = EDAD + 1 WHERE ID IN (SELECT PID FROM V WHERE IMPORTE > 6)", ""},
      {"DELETE FROM V WHERE NOT EXISTS (SELECT * FROM P WHERE P.ID = V.PID)", ""},
      {"UPDATE P SET EDAD = (SELECT count(*) FROM V WHERE V.PID = P.ID) WHERE EDAD IS NULL", ""},
      {"SELECT ID, EDAD FROM P ORDER BY ID", "(1,31)(2,25)(3,41)(4,0)"}, {"SELECT count(*) FROM V", "(3)"},
      {"UPDATE V INNER JOIN P ON P.ID = V.PID SET V.NOTA = P.NOMBRE & '!' WHERE P.EDAD > 35", ""},
      // DISTINCTROW as Access writes it in both
      {"UPDATE DISTINCTROW P AS x INNER JOIN V ON V.PID = x.ID SET EDAD = EDAD * 2 WHERE V.IMPORTE = 5", ""},
      {"DELETE DISTINCTROW V.* FROM V INNER JOIN P ON P.ID = V.PID WHERE P.NOMBRE = 'ANA' AND V.IMPORTE > 6", ""},
      {"SELECT PID, NOTA FROM V ORDER BY PID", "(1,'x')"}, {"SELECT EDAD FROM P WHERE ID = 1", "(62)"},
  });
}

TEST_F(Queries, Errors) {
  const std::pair<const char*, int32_t> cases[] = {
      {"SELECT ID FROM P WHERE ID = (SELECT PID, NOTA FROM V)", 3306},
      {"SELECT ID FROM P UNION SELECT PID, NOTA FROM V", 3307},
      {"SELECT ID FROM P WHERE ID IN (SELECT NOPE FROM V)", 3061},
      {"SELECT ID FROM P UNION SELECT PID FROM V ORDER BY NOPE", 3061},
      {"SELECT ID FROM P WHERE EXISTS (SELECT * FROM NOPE)", 3078},
      {"SELECT ID FROM P WHERE ID IN (SELECT PID FROM V", 3075},
      {"PARAMETERS [Edad minima] Long, Nombre Text; SELECT ID FROM P WHERE EDAD > [Edad minima]", 3061},
      {"PARAMETERS Desde DateTime SELECT ID FROM P", 3075}, {"DELETE * FROM V INNER JOIN P ON P.ID = V.PID", 3128},
      {"DELETE x.* FROM V INNER JOIN P ON P.ID = V.PID", 3128},
      {"UPDATE V INNER JOIN P ON P.ID = V.PID SET V.NOTA = 'a', P.NOMBRE = 'b'", 3073},
      {"UPDATE V INNER JOIN P ON P.ID = V.PID SET NOPE = 1", 3061}, {"SELECT ID INTO V FROM P", 3010},
      {"SELECT ID FROM P WHERE ID IN (SELECT PID INTO X FROM V)", 3075},
      {"SELECT x.ID FROM (SELECT NOPE FROM P) AS x", 3061}, {"SELECT ID FROM (SELECT ID FROM P)", 3131},
  };
  for (const auto& [jet, number] : cases) EXPECT_EQ(failure(jet).number, number) << jet;
  EXPECT_NE(failure("PARAMETERS A Long, B Text; SELECT ID FROM P WHERE ID = A").description.find("expected 2"),
            std::string::npos);
}

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
