// Values another tool wrote into a declaration past the table's checks, each
// read through `zive sql --json`, `zive sql`, a recordset and the service's
// list of declarations: a text by the UTF-8 rule, a value converted by the
// runtime's rules, or error 3464 naming the table and the field.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/json_variant.h"
#include "engine/dao.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::cli {
namespace {

using nlohmann::json;

struct Outcome {
  int status;
  std::string out, err;
};

Outcome zive(const testing::TempDir& dir, const std::string& args) {
  const std::string out = dir.file("out"), err = dir.file("err");
  const int raw = std::system((std::string(ZIVE_BINARY) + " " + args + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::readFile(out), testing::readFile(err)};
}

// The columns of cZIVEDeclaraciones.ObtenerDeclaraciones, in its order.
int listColumn(const std::string& field) {
  const char* columns[] = {"T02_SECDEC", "T02_CSDE", "T02_EJER", "T02_PERDAD", "T02_PERNUM", "T02_MODELO", "T02_TIPOL",
                           "T02_IMPFIN", "T02_CAE"};
  for (int c = 0; c < 9; ++c)
    if (field == columns[c]) return c;
  return -1;
}

TEST(ForeignContents, EveryReaderGivesTheSameValueOrTheSameError) {
  const struct { const char* field; const char* stored; Variant value; const char* cell; } cases[] = {
      {"T02_MODELO", "CAST(x'FF41' AS TEXT)", Variant("ÿA"), "ÿA"},  // not UTF-8
      {"T02_MODELO", "CAST(x'35C3' AS TEXT)", Variant("5Ã"), "5Ã"},  // an incomplete sequence
      {"T02_CAE", "x'4EFF'", Variant("Nÿ"), "Nÿ"},                    // binary data in a text field
      {"T02_TIPOL", "2.5", Variant(uint8_t(2)), "2"},                  // a fraction in a Byte field
      {"T02_TIPOL", "300", Variant(), nullptr},                        // out of a Byte's range
      {"T02_TIPOL", "'abc'", Variant(), nullptr},                      // a text that is no number
      {"T02_EJER", "x'01'", Variant(), nullptr},                       // binary data in a Long field
      {"T02_IMPFIN", "9e999", Variant(), nullptr},                     // infinity in a Double field
      {"T02_IMPFIN", "'NaN'", Variant(), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = " + c.stored);
    testing::TempDir dir;
    const std::string mod = testing::freshModifiable(dir);
    testing::execute(mod, "INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_MODELO, T02_TIPOL) "
                          "VALUES (1, 2024, '560', 1)");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(mod.c_str(), &raw), SQLITE_OK);
    const std::string write = "PRAGMA ignore_check_constraints = ON; UPDATE T02_DECLARACIONES SET " +
                              std::string(c.field) + " = " + c.stored;
    EXPECT_EQ(sqlite3_exec(raw, write.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    const std::string query = "'SELECT " + std::string(c.field) + " FROM T02_DECLARACIONES'";
    const Outcome asJson = zive(dir, "sql --json " + mod + " " + query), plain = zive(dir, "sql " + mod + " " + query);
    const Outcome listed = zive(dir, "call --json --typed --mod " + mod + " cZIVEDeclaraciones.ObtenerDeclaraciones 1");
    const auto read = [&] {
      return engine::DBEngine::forThread().openDatabase(mod)->openRecordset("SELECT " + std::string(c.field) +
                                                                            " FROM T02_DECLARACIONES")->value(0);
    };
    const json sqlOut = json::parse(asJson.out), callOut = json::parse(listed.out);
    if (c.cell) {
      EXPECT_EQ(read(), c.value);
      EXPECT_EQ(variantFromJson(sqlOut["rows"][0][0]).toText(), c.cell);
      EXPECT_EQ(sqlOut["rows"][0][0].is_string(), c.value.isString());
      EXPECT_NE(plain.out.find(c.cell), std::string::npos) << plain.out;
      EXPECT_EQ(variantFromJson(callOut["result"]["$array"]["values"][listColumn(c.field)][1]), c.value);
      continue;
    }
    const std::string field = "'T02_DECLARACIONES." + std::string(c.field) + "'";
    const testing::Raised e = testing::raisedBy([&] { read(); });
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
}  // namespace svrZIVE::cli
