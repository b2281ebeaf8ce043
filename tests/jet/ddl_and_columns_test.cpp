// Data definition, result columns (names, types, updatability) and joins.
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Definitions : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("A", {{"ID", DaoType::Long, 4, false, false, true}, {"NAME", DaoType::Text, 10}, {"K", DaoType::Long}});
    addTable("B", {{"ID", DaoType::Long}, {"NAME", DaoType::Text, 10}, {"V", DaoType::Double}});
    addTable("C", {{"BID", DaoType::Long}, {"W", DaoType::Text, 5}});
    execSqlite("INSERT INTO A VALUES (1, 'uno', 10), (2, 'dos', 20), (3, 'tres', 30)");
    execSqlite("INSERT INTO B VALUES (1, 'b1', 1.5), (2, 'b2', 2.5), (4, 'b4', 4.5)");
    execSqlite("INSERT INTO C VALUES (1, 'c1'), (2, 'c2')");
  }
};

TEST_F(Definitions, CreateTable) {
  Translation t = translate(
      "CREATE TABLE T09_X (T09_SECDEC COUNTER, B BYTE, S SHORT, S2 SMALLINT, I2 INTEGER2, L LONG, "
      "I INTEGER, I4 INT, I5 INTEGER4, F SINGLE, R REAL, D DOUBLE, FL FLOAT, N NUMBER, M CURRENCY, "
      "MO MONEY, DT DATETIME, DA DATE, BI BIT, YN YESNO, LG LOGICAL, T TEXT, T5 TEXT(5) NOT NULL, "
      "V VARCHAR(20), CH CHAR(2), ME MEMO, LT LONGTEXT, AU AUTOINCREMENT)",
      catalog_);
  ASSERT_TRUE(t.ddl.has_value());
  const DdlCommand& d = *t.ddl;
  std::string types;
  for (size_t i = 0; i < d.columns.size(); ++i) types += std::string(i ? " " : "") + std::string(daoTypeName(d.columns[i].type));
  EXPECT_EQ(types,
            "Long Byte Integer Integer Integer Long Long Long Long Single Single Double Double Double Currency Currency "
            "Date Date Boolean Boolean Boolean Text Text Text Text Memo Memo Long");
  EXPECT_TRUE(d.columns[0].autoIncrement);
  EXPECT_FALSE(d.columns[5].autoIncrement);
  EXPECT_EQ(d.columns[21].size, 255);
  EXPECT_TRUE(d.columns[22].required);
  EXPECT_EQ(d.columns[23].size, 20);
}

TEST_F(Definitions, PrimaryKeys) {
  auto d = *translate("create table K1 (A LONG PRIMARY KEY, B TEXT(3))", catalog_).ddl;
  EXPECT_EQ(d.indexName, "PrimaryKey");
  EXPECT_TRUE(d.unique);
  d = *translate("CREATE TABLE K2 ([A b] LONG, B TEXT(3), CONSTRAINT PK_K2 PRIMARY KEY ([a B], b));", catalog_).ddl;
  EXPECT_EQ(d.columns[0].name, "A b");
  EXPECT_EQ(d.indexName, "PK_K2");
  EXPECT_EQ(d.indexColumns, (std::vector<std::string>{"A b", "B"}));
  EXPECT_EQ(failure("CREATE TABLE K3 (A LONG, CONSTRAINT P PRIMARY KEY (Z))").number, 3265);
  d = *translate("CREATE TABLE K4 (A LONG CONSTRAINT PK PRIMARY KEY, b TEXT UNIQUE, C TEXT, D LONG, "
                 "CONSTRAINT CD UNIQUE (c, d))", catalog_).ddl;
  EXPECT_EQ(d.indexName, "PK");
  EXPECT_EQ(d.uniques, (std::vector<std::pair<std::string, std::vector<std::string>>>{
                           {"Unique1", {"b"}}, {"CD", {"C", "D"}}}));
}

TEST_F(Definitions, OtherStatements) {
  auto t = translate("ALTER TABLE a ADD COLUMN EXTRA TEXT(13)", catalog_);
  EXPECT_EQ(t.kind, StatementKind::AlterTableAdd);
  EXPECT_EQ(t.ddl->table, "A");
  EXPECT_EQ(t.ddl->columns.at(0).ordinalPosition, 3);
  // Names take the catalog's letter case.
  EXPECT_EQ(translate("ALTER TABLE A DROP COLUMN name", catalog_).ddl->column, "NAME");
  t = translate("CREATE UNIQUE INDEX IX ON A (name DESC, K)", catalog_);
  EXPECT_TRUE(t.ddl->unique);
  EXPECT_EQ(t.ddl->indexColumns, (std::vector<std::string>{"NAME", "K"}));

  const std::pair<const char*, int32_t> errors[] = {
      {"ALTER TABLE A ADD NAME TEXT", 3191}, {"ALTER TABLE A DROP NOPE", 3265}, {"ALTER TABLE NOPE ADD X LONG", 3078},
      {"ALTER TABLE A RENAME X", 3293}, {"DROP TABLE NOPE", 3376}, {"DROP A", 3295},
      {"CREATE INDEX I ON A (NOPE)", 3265}, {"CREATE INDEX I A (K)", 3291}, {"CREATE TABLE X (A WHATEVER)", 3292},
      {"CREATE TABLE X (A TEXT(256))", 3292}, {"CREATE TABLE X A LONG", 3290},
      {"CREATE TABLE X (A LONG, CONSTRAINT P CHECK (A))", 3289},
      {"CREATE TABLE X (A LONG, CONSTRAINT U UNIQUE (Z))", 3265}, {"CREATE TABLE X (A LONG CONSTRAINT C)", 3292},
      {"CREATE TABLE X (A LONG, A DOUBLE)", 3191},
  };
  for (const auto& [sql, number] : errors) EXPECT_EQ(failure(sql).number, number) << sql;
}

TEST_F(Definitions, ResultColumnNamesAndTypes) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT A.ID, B.ID, A.NAME AS N, K * 2, A.NAME & 'x', B.V, count(*) FROM A INNER JOIN B ON A.ID = B.ID "
       "GROUP BY A.ID, B.ID, A.NAME, K, B.V, B.NAME",
       "A.ID:Long B.ID:Long N:Text Expr1003:Unknown Expr1004:Text V:Double Expr1006:Long"},
      // Aliased tables lend their alias.
      {"SELECT x.ID, y.ID FROM A AS x, B y WHERE x.ID = y.ID", "x.ID:Long y.ID:Long"},
      // max/min keep their argument's type; count is a Long.
      {"SELECT max(NAME), min(K), sum(K), avg(K), count(*) FROM A",
       "Expr1000:Text Expr1001:Long Expr1002:Unknown Expr1003:Unknown Expr1004:Long"},
      // Qualified star, column spelling from the catalog.
      {"select b.*, a.name from A, B where a.id = b.id", "ID:Long B.NAME:Text V:Double A.NAME:Text"},
      {"select name from a", "NAME:Text"},
      // A right join keeps the statement's order of tables.
      {"SELECT * FROM A RIGHT JOIN B ON A.ID = B.ID", "A.ID:Long A.NAME:Text K:Long B.ID:Long B.NAME:Text V:Double"},
      {"SELECT * FROM C RIGHT JOIN (A INNER JOIN B ON A.ID = B.ID) ON C.BID = A.ID",
       "BID:Long W:Text A.ID:Long A.NAME:Text K:Long B.ID:Long B.NAME:Text V:Double"},
  };
  for (const auto& [sql, expected] : cases) {
    query(sql);
    EXPECT_EQ(columns(), expected) << sql;
  }
}

TEST_F(Definitions, Updatable) {
  const std::pair<const char*, bool> cases[] = {
      {"SELECT NAME FROM A WHERE K > 1 ORDER BY NAME", true}, {"SELECT x.NAME FROM A AS x", true},
      {"SELECT DISTINCT NAME FROM A", false}, {"SELECT count(*) FROM A", false},
      {"SELECT A.NAME FROM A INNER JOIN B ON A.ID = B.ID", false},
  };
  for (const auto& [sql, updatable] : cases) {
    query(sql);
    EXPECT_EQ(last_.updatableTable, updatable ? "A" : "") << sql;
    if (updatable) {
      auto full = runSql(last_, true);
      ASSERT_FALSE(full.empty());
      EXPECT_EQ(full[0].size(), last_.columns.size() + 1) << sql;
    }
  }
}

TEST_F(Definitions, JoinsGroupingAndHaving) {
  execSqlite("INSERT INTO C VALUES (4, 'c4'), (9, 'c9')");
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT A.ID, B.V FROM A LEFT JOIN B ON A.ID = B.ID ORDER BY A.ID", "(1,1.5)(2,2.5)(3,<null>)"},
      {"SELECT A.ID, B.V FROM A RIGHT OUTER JOIN B ON A.ID = B.ID ORDER BY B.V", "(1,1.5)(2,2.5)(<null>,4.5)"},
      {"SELECT A.NAME, C.W FROM (A INNER JOIN B ON A.ID = B.ID) INNER JOIN C ON C.BID = B.ID ORDER BY C.W DESC",
       "('dos','c2')('uno','c1')"},
      {"SELECT A.NAME, C.W FROM A INNER JOIN (B INNER JOIN C ON C.BID = B.ID) ON A.ID = B.ID ORDER BY C.W",
       "('uno','c1')('dos','c2')"},
      {"SELECT [A].[NAME], c.w FROM a, c WHERE a.id = c.bid AND c.w = 'C2'", "('dos','c2')"},
      {"SELECT x.K FROM A x INNER JOIN B AS y ON x.ID = y.ID WHERE y.V > 2", "(20)"},
      // Right joins: the same rows, the result columns in the statement's order.
      {"SELECT * FROM A RIGHT JOIN B ON A.ID = B.ID ORDER BY B.V",
       "(1,'uno',10,1,'b1',1.5)(2,'dos',20,2,'b2',2.5)(<null>,<null>,<null>,4,'b4',4.5)"},
      {"SELECT B.*, A.K FROM A RIGHT JOIN B ON A.ID = B.ID WHERE B.V > 2 ORDER BY B.ID",
       "(2,'b2',2.5,20)(4,'b4',4.5,<null>)"},
      // A condition of the ON clause on the kept side does not drop its rows.
      {"SELECT A.ID, B.ID FROM A RIGHT JOIN B ON A.ID = B.ID AND B.V < 2 ORDER BY B.ID", "(1,1)(<null>,2)(<null>,4)"},
      {"SELECT x.NAME, y.NAME FROM A AS x RIGHT JOIN B y ON x.ID = y.ID ORDER BY y.ID",
       "('uno','b1')('dos','b2')(<null>,'b4')"},
      // Joins on either side of a right join, with and without parentheses.
      {"SELECT A.NAME, B.NAME, C.W FROM (A INNER JOIN B ON A.ID = B.ID) RIGHT JOIN C ON C.BID = B.ID ORDER BY C.W",
       "('uno','b1','c1')('dos','b2','c2')(<null>,<null>,'c4')(<null>,<null>,'c9')"},
      {"SELECT A.NAME, B.NAME, C.W FROM A INNER JOIN B ON A.ID = B.ID RIGHT JOIN C ON C.BID = B.ID ORDER BY C.W",
       "('uno','b1','c1')('dos','b2','c2')(<null>,<null>,'c4')(<null>,<null>,'c9')"},
      {"SELECT B.ID, A.ID, C.W FROM (B LEFT JOIN A ON A.ID = B.ID) RIGHT JOIN C ON C.BID = B.ID ORDER BY C.W",
       "(1,1,'c1')(2,2,'c2')(4,<null>,'c4')(<null>,<null>,'c9')"},
      {"SELECT * FROM C RIGHT JOIN (A INNER JOIN B ON A.ID = B.ID) ON C.BID = A.ID WHERE A.ID = 2",
       "(2,'c2',2,'dos',20,2,'b2',2.5)"},
      {"SELECT A.ID, B.ID, C.W FROM (A RIGHT JOIN B ON A.ID = B.ID) RIGHT JOIN C ON C.BID = B.ID ORDER BY C.W",
       "(1,1,'c1')(2,2,'c2')(<null>,4,'c4')(<null>,<null>,'c9')"},
      {"SELECT C.W, A.ID, B.ID FROM C INNER JOIN (A RIGHT JOIN B ON A.ID = B.ID) ON C.BID = B.ID ORDER BY C.W",
       "('c1',1,1)('c2',2,2)('c4',<null>,4)"},
      // The ON clause reads a table on neither side.
      {"SELECT C.W, A.ID, B.ID FROM C, A RIGHT JOIN B ON A.ID = B.ID AND C.BID = 1 ORDER BY B.ID",
       "('c1',1,1)('c1',2,2)(<null>,<null>,4)"},
      // Grouping.
      {"SELECT W, count(*) AS N FROM C WHERE BID < 4 GROUP BY W HAVING count(*) > 0 ORDER BY W", "('c1',1)('c2',1)"},
      {"SELECT BID, count(*) FROM C GROUP BY BID HAVING BID > 1 ORDER BY count(*) DESC, BID DESC", "(9,1)(4,1)(2,1)"},
      {"SELECT BID * 10 AS X FROM C WHERE BID < 4 GROUP BY BID * 10 ORDER BY X DESC", "(20)(10)"},
      {"SELECT max(W), min(W) FROM C", "('c9','c1')"}, {"SELECT count(*) FROM A WHERE K > 100", "(0)"},
      {"SELECT sum(K), avg(K) FROM A", "(60,20)"}, {"SELECT max(K) FROM A WHERE K > 100", "(<null>)"},
      {"SELECT DISTINCT BID FROM C WHERE BID < 4 ORDER BY BID", "(1)(2)"},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(show(query(sql)), expected) << sql << " -> " << last_.sql;

  // Grouping compares texts ignoring letter case.
  execSqlite("INSERT INTO C VALUES (1, 'C1')");
  EXPECT_EQ(show(query("SELECT count(*) FROM C GROUP BY W HAVING count(*) > 1")), "(2)");
  EXPECT_EQ(show(query("SELECT TOP 1 BID, count(*) FROM C GROUP BY BID ORDER BY count(*) DESC")), "(1,2)");

  // A right join runs as the left join of its sides swapped, which SQLite
  // plans from the kept side's indexes.
  query("SELECT * FROM A RIGHT JOIN B ON A.ID = B.ID");
  EXPECT_NE(last_.sql.find("FROM \"B\" LEFT JOIN \"A\" ON"), std::string::npos) << last_.sql;
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
