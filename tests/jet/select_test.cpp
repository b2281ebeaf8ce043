// SELECT: shapes the system runs, TOP with ties, DISTINCT, the carry forward
// through a RIGHT JOIN, aggregates, letter case and accents.
#include <algorithm>

#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Select : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("T01_TIPOS", {{"T01_CODPROD", DaoType::Long},
                           {"T01_EJERCICIO", DaoType::Integer},
                           {"T01_PERIODO", DaoType::Integer},
                           {"T01_TIPIMP", DaoType::Double}});
    execSqlite(
        "INSERT INTO T01_TIPOS VALUES (1, 2015, 1, 1.5), (2, 2015, 1, 2.5), (1, 2016, 2, 3.5),"
        " (2, 2016, 2, 4.5), (1, 2016, 4, 5.5), (1, 2017, 1, 6.5)");
    addTable("T02_Declaraciones", {{"T02_SECDEC", DaoType::Long, 4, false, false, true},
                                   {"T02_CSDE", DaoType::Long},
                                   {"T02_EJER", DaoType::Long},
                                   {"T02_PERDAD", DaoType::Text, 1},
                                   {"T02_PERNUM", DaoType::Text, 2},
                                   {"T02_TIPOL", DaoType::Byte},
                                   {"T02_IMPFIN", DaoType::Double}});
    addTable("T10_Tipologia8", {{"T10_SECDEC", DaoType::Long},
                                {"T10_EXFIN1", DaoType::Double},
                                {"T10_EXFIN2", DaoType::Double}});
    addTable("PERSONAS", {{"ID", DaoType::Long, 4, false, false, true},
                          {"NOMBRE", DaoType::Text, 20},
                          {"EDAD", DaoType::Integer},
                          {"SALDO", DaoType::Double},
                          {"ACTIVO", DaoType::Boolean}});
    execSqlite(
        "INSERT INTO PERSONAS VALUES (1, 'árbol', 30, 10.5, -1), (2, 'ÁRBOL', 25, NULL, 0),"
        " (3, 'arbol', 40, 3, -1), (4, 'Zorro', NULL, 7, 0), (5, 'beta', 30, 1, -1),"
        " (6, NULL, 20, 2, 0)");
  }
};

TEST_F(Select, Results) {
  const std::pair<const char*, const char*> cases[] = {
      {"Select T01_TIPIMP from T01_TIPOS where T01_EJERCICIO = 2016 AND T01_PERIODO = 2 ORDER BY T01_CODPROD asc",
       "(3.5)(4.5)"},
      // The effective period: 2016 & 2 = "20162" <= 20163, 2016 & 4 = "20164" > 20163. Two rows tie on
      // (2016, 2): TOP 1 keeps both, DISTINCT makes them one.
      {"Select top 1 T01_EJERCICIO, T01_PERIODO from T01_TIPOS where T01_EJERCICIO & T01_PERIODO <= 20163"
       " ORDER BY T01_EJERCICIO desc, T01_PERIODO desc", "(2016,2)(2016,2)"},
      {"Select distinct top 1  T01_EJERCICIO, T01_PERIODO  from T01_TIPOS where T01_EJERCICIO & T01_PERIODO <= 20163"
       " ORDER BY  T01_EJERCICIO desc, T01_PERIODO desc", "(2016,2)"},
      {"select top 2 T01_CODPROD, T01_EJERCICIO from T01_TIPOS order by T01_EJERCICIO", "(1,2015)(2,2015)"},
      {"Select count(*) From PERSONAS", "(6)"},
      {"SELECT COUNT(EDAD) AS N, max(ID), max(NOMBRE) FROM PERSONAS", "(5,6,'Zorro')"},
      // Texts compare ignoring letter case, not accents.
      {"select count(*) from PERSONAS where NOMBRE = 'ÁRBOL'", "(2)"},
      {"select count(*) from PERSONAS where NOMBRE = 'arbol'", "(1)"},
      {"select NOMBRE from PERSONAS where NOMBRE is not null order by NOMBRE, ID",
       "('arbol')('árbol')('ÁRBOL')('beta')('Zorro')"},
      {"select count(*) as n from PERSONAS where NOMBRE <> 'beta' group by NOMBRE order by NOMBRE", "(1)(2)(1)"},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(show(query(sql)), expected) << sql << " -> " << last_.sql;
  // Ties count on every key: the third row ties with two more. Without an order, the first rows.
  EXPECT_EQ(query("select top 3 T01_CODPROD, T01_EJERCICIO from T01_TIPOS order by T01_EJERCICIO").size(), 5u);
  EXPECT_EQ(query("select top 2 T01_CODPROD from T01_TIPOS").size(), 2u);
  EXPECT_EQ(query("select distinct NOMBRE from PERSONAS where NOMBRE like 'a*' or NOMBRE like 'á*'").size(), 2u);
}

TEST_F(Select, ResultColumnsAndUpdatability) {
  query("Select T01_TIPIMP from T01_TIPOS");
  EXPECT_EQ(columns(), "T01_TIPIMP:Double");
  EXPECT_EQ(last_.updatableTable, "T01_TIPOS");
  query("Select count(*), max(ID) From PERSONAS");
  EXPECT_EQ(columns(), "Expr1000:Long Expr1001:Long");
  EXPECT_TRUE(last_.updatableTable.empty());

  // '*' in catalog order, with the hidden row id that updates find rows by.
  query("Select * from PERSONAS where ID = 1");
  EXPECT_EQ(columns(), "ID:Long NOMBRE:Text EDAD:Integer SALDO:Double ACTIVO:Boolean");
  EXPECT_EQ(last_.updatableTable, "PERSONAS");
  auto withRowid = runSql(last_, true);
  ASSERT_EQ(withRowid.size(), 1u);
  ASSERT_EQ(withRowid[0].size(), 6u);
  EXPECT_EQ(show(withRowid[0][5]), "1");
}

TEST_F(Select, RightJoinCarryForward) {
  execSqlite(
      "INSERT INTO T02_Declaraciones VALUES (1, 7, 2015, '1', '12', 8, 0), (2, 7, 2016, '1', '01', 8, 0),"
      " (3, 7, 2016, '1', '01', 8, 0), (4, 7, 2016, '1', '02', 8, 0), (5, 8, 2016, '1', '01', 8, 0)");
  execSqlite("INSERT INTO T10_Tipologia8 VALUES (1, 11, 12), (2, 21, 22)");
  std::string head =
      "Select top 1 T10_EXFIN1,T10_EXFIN2 from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on "
      "T02_Declaraciones.T02_Secdec = T10_Tipologia8.T10_Secdec  WHERE T02_Declaraciones.T02_CSDE = 7"
      " and T02_Declaraciones.T02_Tipol = 8 and T02_Declaraciones.T02_PERDAD = '1' and T02_Declaraciones.T02_EJER <= 2016"
      " AND T02_Declaraciones.T02_Secdec < ";
  std::string order = " order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc";
  // Before return 4: returns 2 and 3 tie on (2016, '01'); 3 has no detail row.
  auto rows = query(head + "4" + order);
  ASSERT_EQ(rows.size(), 2u);
  std::vector<std::string> got = {show(rows[0]), show(rows[1])};
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got[0], "(21,22)");
  EXPECT_EQ(got[1], "(<null>,<null>)");
  EXPECT_EQ(show(query(head + "2" + order)), "(11,12)");            // the 2015 return
  EXPECT_TRUE(query(head + "1" + order).empty());                  // none before
  EXPECT_EQ(show(query(head + "99" + order)), "(<null>,<null>)");  // return 4, no detail
}

TEST_F(Select, DistinctTopWithHiddenOrderKeys) {
  execSqlite(
      "INSERT INTO T02_Declaraciones VALUES (1, 7, 2016, '1', '01', 11, 0), (2, 7, 2016, '1', '01', 11, 0),"
      " (3, 7, 2015, '1', '03', 11, 0)");
  execSqlite("INSERT INTO T10_Tipologia8 VALUES (1, 5, 6), (2, 5, 6), (3, 9, 9)");
  std::string sql =
      "Select distinct top 1 T10_EXFIN1,T10_EXFIN2 from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on "
      "T02_Declaraciones.T02_Secdec = T10_Tipologia8.T10_Secdec WHERE T02_Declaraciones.T02_CSDE = 7"
      " order by T02_Declaraciones.T02_EJER desc, T02_Declaraciones.T02_PERNUM desc";
  // Two tied returns with equal values collapse into one row.
  EXPECT_EQ(show(query(sql)), "(5,6)");
  execSqlite("UPDATE T10_Tipologia8 SET T10_EXFIN2 = 7 WHERE T10_SECDEC = 2");
  EXPECT_EQ(query(sql).size(), 2u);
  // Without TOP the hidden keys still keep distinct years apart and order the rows.
  execSqlite("UPDATE T10_Tipologia8 SET T10_EXFIN1 = 5, T10_EXFIN2 = 6");
  EXPECT_EQ(show(query("Select distinct T10_EXFIN1 from T10_Tipologia8 RIGHT JOIN T02_Declaraciones on "
                       "T02_Declaraciones.T02_Secdec = T10_Tipologia8.T10_Secdec order by T02_Declaraciones.T02_EJER")),
            "(5)(5)");
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
