// Binary, LongBinary (OLE objects) and GUID fields: Jet DDL, values kept
// exactly through an INSERT and an append of whole records, and the values
// they refuse.
#include "engine/table_appender.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class BinaryGuidTest : public EngineTest {
 protected:
  void SetUp() override {
    db = createDb();
    db->execute("CREATE TABLE T (ID COUNTER, CODE BINARY(4), PICTURE LONGBINARY, REPLICA GUID)");
  }
  std::shared_ptr<Database> db;
};

TEST_F(BinaryGuidTest, ValuesComeBackAsTheyWereWritten) {
  const Bytes picture{0, 1, 2, 255, 0, 'x'};
  TableAppender appender(*db, "T");
  appender.append(std::vector<Variant>{Variant(int32_t(7)), Variant(Bytes{0xDE, 0xAD}), Variant(picture),
                                       Variant("0b3c1f2e-aaaa-4bbb-8ccc-0123456789ab")});
  db->execute("INSERT INTO T (REPLICA) VALUES ('{00000000-0000-0000-0000-000000000001}')");
  auto rs = db->openRecordset("SELECT * FROM T ORDER BY ID");
  EXPECT_EQ(rs->fields().item("CODE")->type(), DaoType::Binary);
  EXPECT_EQ(rs->fields().item("CODE")->size(), 4);
  EXPECT_EQ(rs->fields().item("PICTURE")->type(), DaoType::LongBinary);
  EXPECT_EQ(rs->fields().item("REPLICA")->type(), DaoType::GUID);
  EXPECT_EQ(rs->value("CODE"), Variant(Bytes{0xDE, 0xAD}));
  EXPECT_EQ(rs->value("PICTURE"), Variant(picture));
  EXPECT_EQ(rs->value("REPLICA"), Variant("{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}"));
  rs->moveNext();
  EXPECT_EQ(rs->value("ID"), Variant(int32_t(8)));  // the counter goes on after the number appended
  EXPECT_TRUE(rs->value("PICTURE").isNull());
  EXPECT_EQ(db->openRecordset("SELECT count(*) FROM T WHERE REPLICA = '{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}'")
                ->value(0),
            Variant(int32_t(1)));
}

TEST_F(BinaryGuidTest, ValuesThatDoNotFitAreRefused) {
  TableAppender appender(*db, "T");
  struct Case {
    Variant code, picture, replica;
    int32_t number;
  } cases[] = {
      {Variant(Bytes{1, 2, 3, 4, 5}), Variant::null(), Variant::null(), kFieldTooSmall},
      {Variant::null(), Variant(int32_t(5)), Variant::null(), kTypeMismatchInExpression},
      {Variant::null(), Variant::null(), Variant("{not-a-guid}"), kTypeMismatchInExpression},
  };
  for (const auto& c : cases) {
    EXPECT_JET_ERROR(appender.append(std::vector<Variant>{Variant::null(), c.code, c.picture, c.replica}),
                     c.number);
  }
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (REPLICA) VALUES ('1234')"), kTypeMismatchInExpression);
  EXPECT_EQ(db->openRecordset("SELECT count(*) FROM T")->value(0), Variant(int32_t(0)));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
