// The same Jet semantics on both backends: a local file and a database on a
// server. Each case runs on each.
#include <sys/wait.h>
#include <unistd.h>

#include "tests/engine/both_backends.h"

namespace svrZIVE::engine::testing {
namespace {

class BackendsTest : public BothBackendsTest {
 protected:
  BackendsTest()
      : BothBackendsTest({"CREATE TABLE T (ID COUNTER, NAME TEXT(5) NOT NULL, N LONG NOT NULL, B BYTE, D DOUBLE, M MEMO, K LONG)",
                          "CREATE UNIQUE INDEX IX_T_N ON T (N)",
                          "INSERT INTO T (NAME, N, B, D) VALUES ('Ana', 1, 10, 1.5)",
                          "INSERT INTO T (NAME, N, B, D) VALUES ('bea', 2, 20, 2.5)",
                          "INSERT INTO T (NAME, N, B, D) VALUES ('Carl', 3, 20, 0.25)"}) {}
  // Every row of `sql`, each value as text.
  std::vector<std::string> rows(const std::string& sql) {
    std::vector<std::string> out;
    auto rs = db->openRecordset(sql);
    for (; !rs->eof(); rs->moveNext()) {
      std::string row;
      for (int32_t i = 0; i < rs->fields().count(); ++i)
        row += (i ? "|" : "") + (rs->value(i).isNull() ? std::string("Null") : rs->value(i).toText());
      out.push_back(row);
    }
    return out;
  }
};

TEST_P(BackendsTest, QueriesReadTheSameRows) {
  const struct {
    const char* sql;
    std::vector<std::string> rows;
  } cases[] = {
      {"SELECT NAME, N FROM T WHERE NAME = 'ANA'", {"Ana|1"}},  // letter case ignored
      {"SELECT N FROM T WHERE NAME > 'b' ORDER BY NAME DESC", {"3", "2"}},
      {"SELECT TOP 2 N FROM T ORDER BY B", {"1", "2", "3"}},  // ties with the second stay
      {"SELECT ID, D FROM T WHERE N >= 2 ORDER BY ID", {"2|2.5", "3|0.25"}},
      {"SELECT Count(*), Max(N), Sum(B) FROM T", {"3|3|50"}},
      {"SELECT NAME FROM T WHERE M IS NULL AND B = 20 ORDER BY N", {"bea", "Carl"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(rows(c.sql), c.rows);
  }
}

// A crosstab: its row headings, then a column for each heading, the values
// the rows hold in order or those of its IN list, Null as "<>".
TEST_P(BackendsTest, CrosstabsHaveAColumnForEachHeading) {
  const struct {
    const char* sql;
    std::vector<std::string> table;  // the column names, then the rows
  } cases[] = {
      {"TRANSFORM Sum(N) SELECT B FROM T GROUP BY B PIVOT NAME", {"B|Ana|bea|Carl", "10|1|Null|Null", "20|Null|2|3"}},
      {"TRANSFORM Count(*) SELECT B, Sum(N) AS S FROM T WHERE N > 1 GROUP BY B PIVOT M", {"B|S|<>", "20|5|2"}},
      {"TRANSFORM Max(D) SELECT B FROM T GROUP BY B ORDER BY B DESC PIVOT N Mod 2 IN (1, 0, 7)",
       {"B|1|0|7", "20|0.25|2.5|Null", "10|1.5|Null|Null"}},
      {"TRANSFORM Sum(N) SELECT B FROM T WHERE N > 9 GROUP BY B PIVOT NAME", {"B"}},
  };
  auto table = [&](const char* sql) {
    auto rs = db->openRecordset(sql);
    std::string names;
    for (int32_t i = 0; i < rs->fields().count(); ++i) names += (i ? "|" : "") + rs->fields().item(i)->name();
    std::vector<std::string> out = rows(sql);
    out.insert(out.begin(), names);
    return out;
  };
  for (const auto& c : cases) EXPECT_EQ(table(c.sql), c.table) << c.sql;
  // Its cells have the aggregate's type, whatever the first row holds.
  EXPECT_EQ(db->openRecordset("TRANSFORM Count(*) SELECT B FROM T GROUP BY B PIVOT NAME")->fields().item("bea")->type(),
            DaoType::Long);
  // A heading that comes with a new row is a new column the next time.
  db->execute("INSERT INTO T (NAME, N, B) VALUES ('Dan', 4, 10)");
  EXPECT_EQ(table(cases[0].sql), (std::vector<std::string>{"B|Ana|bea|Carl|Dan", "10|1|Null|Null|4", "20|Null|2|3|Null"}));
  const std::pair<const char*, int32_t> errors[] = {
      {"TRANSFORM Left(NAME, 1) SELECT B FROM T GROUP BY B PIVOT N", kSyntaxErrorInTransform},
      {"TRANSFORM Sum(N) SELECT B FROM T GROUP BY B", kSyntaxErrorInTransform},
      {"TRANSFORM Sum(N) SELECT B FROM T GROUP BY B PIVOT N IN (B)", kSyntaxErrorInTransform},
      {"SELECT B FROM T GROUP BY B PIVOT N", kSyntaxErrorInExpression},
  };
  for (const auto& [sql, number] : errors) EXPECT_JET_ERROR(db->openRecordset(sql), number) << sql;
}

TEST_P(BackendsTest, WritesThatBreakAFieldsRuleFailWholeWithJetsError) {
  const struct {
    const char* sql;
    int32_t number;
  } cases[] = {
      {"INSERT INTO T (NAME, N) VALUES ('toolong', 9)", kFieldTooSmall},
      {"INSERT INTO T (N) VALUES (9)", kRequiredIsNull},
      {"INSERT INTO T (NAME, N) VALUES ('x', 1)", kDuplicateKey},
      {"INSERT INTO T (NAME, N, B) VALUES ('x', 9, 256)", kOverflow},
      {"INSERT INTO T (NAME, N, D) VALUES ('x', 9, 'abc')", kTypeMismatchInExpression},
      {"UPDATE T SET B = B * 13", kOverflow},  // the first rows fit; the statement fails whole
      {"UPDATE T SET N = 7", kDuplicateKey},
      {"UPDATE T SET N = K", kRequiredIsNull},  // a field's own Null still fails a Required one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_JET_ERROR(db->execute(c.sql, 0), c.number);
  }
  EXPECT_EQ(rows("SELECT NAME, N, B FROM T ORDER BY N"), (std::vector<std::string>{"Ana|1|10", "bea|2|20", "Carl|3|20"}));
}

// Inside a workspace transaction a failing statement, a write or a read,
// fails alone: what the transaction did before and after it is kept.
TEST_P(BackendsTest, AFailingStatementInATransactionFailsAlone) {
  auto ws = DBEngine::forThread().defaultWorkspace();
  ws->beginTrans();
  db->execute("INSERT INTO T (NAME, N) VALUES ('Dan', 4)");
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (NAME, N) VALUES ('Eva', 1)"), kDuplicateKey);
  EXPECT_TRUE(errorOf([&] { db->openRecordset("SELECT N / 0 FROM T"); }));
  db->execute("INSERT INTO T (NAME, N) VALUES ('Fil', 5)");
  ws->commitTrans();
  EXPECT_EQ(rows("SELECT N FROM T WHERE N > 3 ORDER BY N"), (std::vector<std::string>{"4", "5"}));
}

TEST_P(BackendsTest, CounterNumbersAreNeverHandedOutAgain) {
  db->execute("DELETE FROM T WHERE ID = 3");
  db->execute("INSERT INTO T (NAME, N) VALUES ('Dan', 4)");
  db->execute("INSERT INTO T (ID, NAME, N) VALUES (9, 'Eva', 5)");
  db->execute("INSERT INTO T (NAME, N) VALUES ('Fil', 6)");
  EXPECT_EQ(rows("SELECT ID FROM T ORDER BY ID"), (std::vector<std::string>{"1", "2", "4", "9", "10"}));
  EXPECT_EQ(db->recordsAffected(), 1);
}

TEST_P(BackendsTest, UpdatableRecordsetsWriteAndReadBack) {
  auto rs = db->openRecordset("SELECT * FROM T WHERE N > 1 ORDER BY N");
  rs->addNew();
  rs->fields().item("NAME")->setValue(Variant("Dan"));
  rs->fields().item("N")->setValue(Variant(int32_t{4}));
  rs->update();
  rs->moveFirst();
  rs->edit();
  rs->fields().item("D")->setValue(Variant(9.75));
  rs->update();
  rs->moveLast();
  EXPECT_EQ(rs->value("ID"), Variant(int32_t{4}));
  rs->moveFirst();
  rs->moveNext();
  rs->deleteCurrent();
  EXPECT_EQ(rows("SELECT NAME, D FROM T ORDER BY N"), (std::vector<std::string>{"Ana|1.5", "bea|9.75", "Dan|Null"}));
}

TEST_P(BackendsTest, TableDefinitionsChangeInPlace) {
  db->execute("ALTER TABLE T ADD COLUMN EXTRA TEXT(3)");
  db->execute("ALTER TABLE T ADD COLUMN AMOUNT DECIMAL(6, 2)");
  db->tableDefs().item("T")->fields().item("EXTRA")->setDefaultValue(Variant("\"abc\""));
  db->tableDefs().item("T")->fields().item("AMOUNT")->setDefaultValue(Variant("-1.235"));
  db->execute("INSERT INTO T (NAME, N) VALUES ('Dan', 4)");
  db->execute("ALTER TABLE T DROP COLUMN M");
  EXPECT_EQ(rows("SELECT EXTRA, AMOUNT FROM T WHERE N = 4"), std::vector<std::string>{"abc|-1.24"});
  EXPECT_JET_ERROR(db->tableDefs().item("T")->fields().item("M"), kItemNotFound);
  db->close();
  db = openDb();
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 8);
}

// Eight processes save at once, each one inserting and reading its new
// number back with a maximum query in one write transaction, as the services
// do: every number is distinct and is the number of the process's own row.
TEST_P(BackendsTest, ConcurrentSavesFromManyProcessesGetDistinctNumbers) {
  constexpr int kProcesses = 8, kSaves = 10;
  db->close();
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      try {
        auto mine = openDb();
        for (int i = 0; i < kSaves; ++i) {
          const std::string n = std::to_string(100 + p * kSaves + i);
          DBEngine::forThread().beginTrans();
          mine->execute("INSERT INTO T (NAME, N) VALUES ('p', " + n + ")");
          auto rs = mine->openRecordset("SELECT Max(ID) FROM T");
          const Variant id = rs->value(0);
          DBEngine::forThread().commitTrans();
          auto own = mine->openRecordset("SELECT N FROM T WHERE ID = " + id.toText());
          failures += own->value(0).toText() == n ? 0 : 1;
        }
      } catch (...) {
        failures = 100;
      }
      _exit(failures);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  db = openDb();
  EXPECT_EQ(rows("SELECT Count(*), Count(ID), Max(ID) FROM T"),
            std::vector<std::string>{std::to_string(3 + kProcesses * kSaves) + "|" +
                                     std::to_string(3 + kProcesses * kSaves) + "|" +
                                     std::to_string(3 + kProcesses * kSaves)});
}

INSTANTIATE_ON_BOTH_BACKENDS(BackendsTest);

// A connection the server lost gives a Jet error that says so, and the next
// operation connects again.
TEST(ServerBackendTest, ALostConnectionIsAnErrorAndTheNextOperationReconnects) {
  SKIP_WITHOUT_SERVER(Backend::Server);
  TempFolder folder;
  ServerSchema schema(folder.file("link.mdb"));
  auto db = DBEngine::forThread().createDatabase(folder.file("link.mdb"));
  db->execute("CREATE TABLE T (ID COUNTER, N LONG)");
  ServerAdmin().value("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid <> pg_backend_pid() "
                      "AND query NOT LIKE '%pg_stat_activity%' AND application_name = '' AND datname = current_database()");
  auto error = errorOf([&] { db->execute("INSERT INTO T (N) VALUES (1)"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), kDiskError);
  EXPECT_THAT(error->description(), ::testing::HasSubstr("connection to the database server was lost"));
  db->execute("INSERT INTO T (N) VALUES (2)");
  EXPECT_EQ(db->openRecordset("SELECT N FROM T")->value(0), Variant(int32_t{2}));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
