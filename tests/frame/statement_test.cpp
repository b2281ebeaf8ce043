// The statement-text writer.
#include <gtest/gtest.h>

#include <string>

#include "engine/dao.h"
#include "frame/statement.h"
#include "tests/base/base_support.h"

namespace svrZIVE {
namespace {

TEST(Statement, ValuesAsTheSystemWritesThem) {
  // Doubles are written by formatDouble, whose forms are tested with it.
  Statement s("UPDATE T SET ");
  s << "Y=" << uint8_t(0) << "," << uint8_t(255) << " I=" << int16_t(-32768) << "," << int16_t(1999)
    << " L=" << int32_t(-42) << "," << int32_t(2147483647) << " D=" << (0.1 + 0.2) << "," << 3.0 << "," << -0.75
    << " T='" << std::string("Bilbao") << "','" << std::string("  a b  ") << "','" << std::string("say \"hi\"")
    << "','" << std::string() << "' V=" << std::string_view("ñandú");
  EXPECT_EQ(s.sql(),
            "UPDATE T SET Y=0,255 I=-32768,1999 L=-42,2147483647 D=0.3,3,-0.75 "
            "T='Bilbao','  a b  ','say \"hi\"','' V=ñandú");
}

TEST(Statement, AnApostropheInAValueFailsWithTheSyntaxError) {
  const char* fromOutside = "it's";  // a text that is no literal is a value
  for (const std::string value : {"O'Donnell", "'", "x'); DELETE FROM T01_DECLARANTES; --", "abc'", fromOutside}) {
    SCOPED_TRACE(value);
    Statement s("INSERT INTO T01_DECLARANTES (T01_NOMBRE) VALUES ('");
    if (value == fromOutside) s.text(fromOutside);
    else s << value;
    s << "')";
    EXPECT_FALSE(s.valid());
    EXPECT_EQ(s.written(), "INSERT INTO T01_DECLARANTES (T01_NOMBRE) VALUES ('" + value + "')");
    auto e = testing::errorOf([&] { (void)s.sql(); });
    ASSERT_TRUE(e) << "an apostrophe inside a value must not reach the engine";
    EXPECT_EQ(e->number(), engine::kSyntaxErrorInExpression);
    EXPECT_EQ(e->source(), "DAO.Database");
    EXPECT_NE(e->description().find("INSERT INTO T01_DECLARANTES"), std::string::npos) << e->description();
  }
}

}  // namespace
}  // namespace svrZIVE
