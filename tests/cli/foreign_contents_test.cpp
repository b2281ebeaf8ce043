// Values another tool wrote into a declaration past the table's checks, each
// read through `zive sql --json`, `zive sql`, a recordset and the service's
// list of declarations: a text by the UTF-8 rule, a value converted by the
// runtime's rules, or error 3464 naming the table and the field.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/json_variant.h"
#include "engine/dao.h"
#include "tests/cli/zive_run.h"

namespace svrZIVE::testing {
namespace {

using cli::variantFromJson;
using nlohmann::json;

TEST(ForeignContents, EveryReaderGivesTheSameValueOrTheSameError) {
  // `listed`: the field's column in cZIVEDeclaraciones.ObtenerDeclaraciones.
  const struct { const char* field; int listed; const char* stored; Variant value; const char* cell; } cases[] = {
      {"T02_MODELO", 5, "CAST(x'FF41' AS TEXT)", Variant("ÿA"), "ÿA"},  // not UTF-8
      {"T02_MODELO", 5, "CAST(x'35C3' AS TEXT)", Variant("5Ã"), "5Ã"},  // an incomplete sequence
      {"T02_CAE", 8, "x'4EFF'", Variant("Nÿ"), "Nÿ"},                    // binary data in a text field
      {"T02_TIPOL", 6, "2.5", Variant(uint8_t(2)), "2"},                  // a fraction in a Byte field
      {"T02_TIPOL", 6, "300", Variant(), nullptr},                        // out of a Byte's range
      {"T02_TIPOL", 6, "'abc'", Variant(), nullptr},                      // a text that is no number
      {"T02_EJER", 2, "x'01'", Variant(), nullptr},                       // binary data in a Long field
      {"T02_IMPFIN", 7, "9e999", Variant(), nullptr},                     // infinity in a Double field
      {"T02_IMPFIN", 7, "'NaN'", Variant(), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = " + c.stored);
    TempDir dir;
    const std::string mod = freshModifiable(dir);
    execute(mod, "INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_MODELO, T02_TIPOL) VALUES (1, 2024, '560', 1)");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(mod.c_str(), &raw), SQLITE_OK);
    const std::string write = "PRAGMA ignore_check_constraints = ON; UPDATE T02_DECLARACIONES SET " +
                              std::string(c.field) + " = " + c.stored;
    EXPECT_EQ(sqlite3_exec(raw, write.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    const std::string query = "SELECT " + std::string(c.field) + " FROM T02_DECLARACIONES";
    const Outcome asJson = zive(dir, {"sql", "--json", mod, query}), plain = zive(dir, {"sql", mod, query});
    const Outcome listed =
        zive(dir, {"call", "--json", "--typed", "--mod", mod, "cZIVEDeclaraciones.ObtenerDeclaraciones", "1"});
    const auto read = [&] { return engine::DBEngine::forThread().openDatabase(mod)->openRecordset(query)->value(0); };
    const json sqlOut = json::parse(asJson.out), callOut = json::parse(listed.out);
    if (c.cell) {
      EXPECT_EQ(read(), c.value);
      EXPECT_EQ(variantFromJson(sqlOut["rows"][0][0]).toText(), c.cell);
      EXPECT_EQ(sqlOut["rows"][0][0].is_string(), c.value.isString());
      EXPECT_NE(plain.out.find(c.cell), std::string::npos) << plain.out;
      EXPECT_EQ(variantFromJson(callOut["result"]["$array"]["values"][c.listed][1]), c.value);
      continue;
    }
    const std::string field = "'T02_DECLARACIONES." + std::string(c.field) + "'";
    const Raised e = raisedBy([&] { read(); });
    EXPECT_EQ(e.number, engine::kTypeMismatchInExpression);
    EXPECT_NE(e.description.find(field), std::string::npos) << e.description;
    EXPECT_EQ(sqlOut["number"], engine::kTypeMismatchInExpression);
    EXPECT_EQ(callOut["number"], engine::kTypeMismatchInExpression);
    EXPECT_NE(callOut["description"].get<std::string>().find(field), std::string::npos) << listed.out;
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("error 3464"), std::string::npos) << plain.err;
  }
}

}  // namespace
}  // namespace svrZIVE::testing
