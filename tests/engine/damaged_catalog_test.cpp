// A catalog that another tool made contradict its table: a clear error that
// names the table and the field, or the column as the table declares it.
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using ::testing::HasSubstr;

TEST(DamagedCatalog, ContradictionsNameTheTableAndFieldAndUndeclaredColumnsAreRead) {
  const struct { const char* change; const char* named; } cases[] = {
      {"UPDATE zive_fields SET dao_type = 99 WHERE field_name = 'N'", "'T.N' the type code 99"},
      {"UPDATE zive_fields SET dao_type = 'Long' WHERE field_name = 'N'", "'T.N' the type code 0"},
      {"UPDATE zive_fields SET size = -1 WHERE field_name = 'N'", "'T.N' the size -1"},
      {"UPDATE zive_fields SET size = 300 WHERE field_name = 'NAME'", "'T.NAME' the size 300"},
      {"UPDATE zive_fields SET ordinal_position = 70000 WHERE field_name = 'N'", "'T.N' the ordinal position"},
      {"INSERT INTO zive_fields (table_name, field_name, dao_type) VALUES ('T', 'GONE', 4)", "'T.GONE'"},
      {"ALTER TABLE T ADD COLUMN EXTRA VARCHAR(7)", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    TempFolder folder;
    const std::string path = folder.file("t.mdb");
    DBEngine::forThread().createDatabase(path)->execute("CREATE TABLE T (N LONG, NAME TEXT(20))");
    RawDb(path).exec(c.change);
    auto db = DBEngine::forThread().openDatabase(path);
    auto e = errorOf([&] { db->openRecordset("SELECT * FROM T"); });
    EXPECT_EQ(e ? e->number() : 0, c.named ? kCorruptDatabase : 0);
    EXPECT_THAT(e ? e->description() : "", HasSubstr(c.named ? c.named : ""));
    if (!c.named) {
      EXPECT_EQ(fieldNames(db->tableDefs().item("T")->fields(), true), "N:Long NAME:Text EXTRA:Text");
      EXPECT_EQ(db->tableDefs().item("T")->fields().item("EXTRA")->size(), 7);
    }
  }
}

}  // namespace
}  // namespace svrZIVE::engine::testing
