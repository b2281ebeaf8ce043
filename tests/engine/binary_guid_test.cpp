// Binary, LongBinary (OLE objects), GUID and Decimal fields: Jet DDL, values
// kept exactly through an INSERT and an append of whole records, and the
// values they refuse; Decimals compared and ordered as numbers. On both backends.
#include "engine/table_appender.h"
#include "tests/engine/both_backends.h"

namespace svrZIVE::engine::testing {
namespace {

class BinaryGuidTest : public BothBackendsTest {
 protected:
  BinaryGuidTest()
      : BothBackendsTest(
            {"CREATE TABLE T (ID COUNTER, CODE BINARY(4), PICTURE LONGBINARY, REPLICA GUID, AMOUNT DECIMAL(22, 4))"}) {}
};

TEST_P(BinaryGuidTest, ValuesComeBackAsTheyWereWritten) {
  const Bytes picture{0, 1, 2, 255, 0, 'x'};
  TableAppender appender(*db, "T");
  appender.append(std::vector<Variant>{Variant(int32_t(7)), Variant(Bytes{0xDE, 0xAD}), Variant(picture),
                                       Variant("0b3c1f2e-aaaa-4bbb-8ccc-0123456789ab"),
                                       Variant("-123456789012345678.12345")});
  db->execute("INSERT INTO T (REPLICA) VALUES ('{00000000-0000-0000-0000-000000000001}')");
  auto rs = db->openRecordset("SELECT * FROM T ORDER BY ID");
  EXPECT_EQ(fieldNames(rs->fields(), true), "ID:Long CODE:Binary PICTURE:LongBinary REPLICA:GUID AMOUNT:Decimal");
  EXPECT_EQ(rs->fields().item("CODE")->size(), 4);
  EXPECT_EQ(rs->value("CODE"), Variant(Bytes{0xDE, 0xAD}));
  EXPECT_EQ(rs->value("PICTURE"), Variant(picture));
  // The Decimal to four places, half to even; the counter goes on after the number appended.
  expectResults(*db, {{"SELECT ID, REPLICA, AMOUNT FROM T WHERE PICTURE IS NULL", "8|{00000000-0000-0000-0000-000000000001}|NULL"},
                      {"SELECT REPLICA, AMOUNT FROM T WHERE REPLICA = '{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}'",
                       "{0B3C1F2E-AAAA-4BBB-8CCC-0123456789AB}|-123456789012345678.1234"}});
}

TEST_P(BinaryGuidTest, ValuesThatDoNotFitAreRefused) {
  TableAppender appender(*db, "T");
  const Variant N = Variant::null();
  const struct { Variant code, picture, replica, amount; int32_t number; } cases[] = {
      {Variant(Bytes{1, 2, 3, 4, 5}), N, N, N, kFieldTooSmall}, {N, Variant(int32_t(5)), N, N, kTypeMismatchInExpression},
      {N, N, Variant("{not-a-guid}"), N, kTypeMismatchInExpression}, {N, N, N, Variant("1E+18"), kNumericFieldOverflow},
      {N, N, N, Variant("12,5"), kTypeMismatchInExpression},
  };
  for (const auto& c : cases)
    EXPECT_JET_ERROR(appender.append(std::vector<Variant>{N, c.code, c.picture, c.replica, c.amount}), c.number);
  expectResults(*db, {{"INSERT INTO T (REPLICA) VALUES ('1234')", "error 3464"}, {"SELECT count(*) FROM T", "0"}});
}

TEST_P(BinaryGuidTest, DecimalsCompareAndSortAsNumbers) {
  for (const char* amount : {"2.5", "-10", "0.0001", "100", "-0.5"})
    db->execute(std::string("INSERT INTO T (AMOUNT) VALUES ('") + amount + "')");
  const struct { const char* where; const char* amounts; } cases[] = {
      {"AMOUNT > 0", "0.0001 2.5 100"},     {"AMOUNT >= -0.5 AND AMOUNT < 2.5", "-0.5 0.0001"},
      {"AMOUNT = '100'", "100"},            {"AMOUNT BETWEEN -10 AND 0", "-10 -0.5"},
      {"AMOUNT IN (2.5, 7)", "2.5"},        {"CDec(AMOUNT & '') = AMOUNT AND AMOUNT < 0", "-10 -0.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(rowsOf(*db, std::string("SELECT AMOUNT FROM T WHERE ") + c.where + " ORDER BY AMOUNT"), c.amounts) << c.where;
  EXPECT_EQ(db->openRecordset("SELECT max(AMOUNT) FROM T")->value(0), Variant(Variant("100").toDecimal()));
}

INSTANTIATE_ON_BOTH_BACKENDS(BinaryGuidTest);

}  // namespace
}  // namespace svrZIVE::engine::testing
