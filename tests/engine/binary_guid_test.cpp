// Binary, LongBinary (OLE objects), GUID and Decimal fields: Jet DDL, values
// kept exactly through an INSERT and an append of whole records, and the
// values they refuse; Decimals compared and ordered as numbers.
#include "engine/table_appender.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class BinaryGuidTest : public EngineTest {
 protected:
  void SetUp() override {
    db = createDb();
    db->execute("CREATE TABLE T (ID COUNTER, CODE BINARY(4), PICTURE LONGBINARY, REPLICA GUID, AMOUNT DECIMAL(22, 4))");
  }
  std::shared_ptr<Database> db;
};

TEST_F(BinaryGuidTest, ValuesComeBackAsTheyWereWritten) {
  const Bytes picture{0, 1, 2, 255, 0, 'x'};
  TableAppender appender(*db, "T");
  appender.append(std::vector<Variant>{Variant(int32_t(7)), Variant(Bytes{0xDE, 0xAD}), Variant(picture),
                                       Variant("0b3c1f2e-aaaa-4bbb-8ccc-0123456789ab"),
                                       Variant("-123456789012345678.12345")});
  db->execute("INSERT INTO T (REPLICA) VALUES ('{00000000-0000-0000-0000-000000000001}')");
  auto rs = db->openRecordset("SELECT * FROM T ORDER BY ID");
  EXPECT_EQ(rs->fields().item("CODE")->type(), DaoType::Binary);
  EXPECT_EQ(rs->fields().item("CODE")->size(), 4);
  EXPECT_EQ(rs->fields().item("PICTURE")->type(), DaoType::LongBinary);
  EXPECT_EQ(rs->fields().item("REPLICA")->type(), DaoType::GUID);
  EXPECT_EQ(rs->value("CODE"), Variant(Bytes{0xDE, 0xAD}));
  EXPECT_EQ(rs->value("PICTURE"), Variant(picture));
  EXPECT_EQ(rs->value("REPLICA"), Variant("{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}"));
  EXPECT_EQ(rs->fields().item("AMOUNT")->type(), DaoType::Decimal);
  EXPECT_EQ(rs->value("AMOUNT").toText(), "-123456789012345678.1234");  // four places, half to even
  rs->moveNext();
  EXPECT_EQ(rs->value("ID"), Variant(int32_t(8)));  // the counter goes on after the number appended
  EXPECT_TRUE(rs->value("PICTURE").isNull());
  EXPECT_EQ(db->openRecordset("SELECT count(*) FROM T WHERE REPLICA = '{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}'")
                ->value(0),
            Variant(int32_t(1)));
}

TEST_F(BinaryGuidTest, ValuesThatDoNotFitAreRefused) {
  TableAppender appender(*db, "T");
  const Variant N = Variant::null();
  struct Case {
    Variant code, picture, replica, amount;
    int32_t number;
  } cases[] = {
      {Variant(Bytes{1, 2, 3, 4, 5}), N, N, N, kFieldTooSmall},
      {N, Variant(int32_t(5)), N, N, kTypeMismatchInExpression},
      {N, N, Variant("{not-a-guid}"), N, kTypeMismatchInExpression},
      {N, N, N, Variant("1E+18"), kNumericFieldOverflow},
      {N, N, N, Variant("12,5"), kTypeMismatchInExpression},
  };
  for (const auto& c : cases) {
    EXPECT_JET_ERROR(appender.append(std::vector<Variant>{N, c.code, c.picture, c.replica, c.amount}), c.number);
  }
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (REPLICA) VALUES ('1234')"), kTypeMismatchInExpression);
  EXPECT_EQ(db->openRecordset("SELECT count(*) FROM T")->value(0), Variant(int32_t(0)));
}

TEST_F(BinaryGuidTest, DecimalsCompareAndSortAsNumbers) {
  for (const char* amount : {"2.5", "-10", "0.0001", "100", "-0.5"})
    db->execute(std::string("INSERT INTO T (AMOUNT) VALUES ('") + amount + "')");
  const struct { const char* where; const char* amounts; } cases[] = {
      {"AMOUNT > 0", "0.0001 2.5 100"},     {"AMOUNT >= -0.5 AND AMOUNT < 2.5", "-0.5 0.0001"},
      {"AMOUNT = '100'", "100"},            {"AMOUNT BETWEEN -10 AND 0", "-10 -0.5"},
      {"AMOUNT IN (2.5, 7)", "2.5"},        {"CDec(AMOUNT & '') = AMOUNT AND AMOUNT < 0", "-10 -0.5"},
  };
  for (const auto& c : cases) {
    auto rs = db->openRecordset(std::string("SELECT AMOUNT FROM T WHERE ") + c.where + " ORDER BY AMOUNT");
    std::string got;
    for (; !rs->eof(); rs->moveNext()) got += (got.empty() ? "" : " ") + rs->value(0).toText();
    EXPECT_EQ(got, c.amounts) << c.where;
  }
  EXPECT_EQ(db->openRecordset("SELECT max(AMOUNT) FROM T")->value(0), Variant(Variant("100").toDecimal()));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
