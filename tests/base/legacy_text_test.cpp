// Texts that are not valid UTF-8: every byte outside a well-formed sequence
// is read as Windows-1252.
#include <gtest/gtest.h>

#include <string>

#include "base/legacy_text.h"

namespace svrZIVE {
namespace {

TEST(LegacyText, BytesOutsideWellFormedSequencesAreWindows1252) {
  const struct { std::string bytes, text; } cases[] = {
      {"Pe\xC3\xB1" "a \xE2\x82\xAC \xF0\x9F\x98\x80", "Peña € 😀"},  // valid: unchanged
      {"\xFF" "A", "ÿA"},                                         // a byte UTF-8 never has
      {"C\xC3", "CÃ"},                                            // an incomplete sequence at the end
      {"\xE2\x82" "A", "â‚A"},                                     // ... and inside
      {"\x80\x81\x8D\x9F", "€\u0081\u008DŸ"},                      // a stray continuation; undefined in 1252
      {"\xC0\xAF", "À¯"},                                         // overlong
      {"\xED\xA0\x80", "í\u00A0€"},                               // a surrogate
      {"\xF4\x90\x80\x80", "ô\u0090€€"},                          // beyond U+10FFFF
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8Text(c.bytes), c.text) << c.text;
    EXPECT_TRUE(isUtf8(utf8Text(c.bytes))) << c.text;
    EXPECT_EQ(utf8Text(c.text), c.text) << c.text << ": applied twice";
  }
}

}  // namespace
}  // namespace svrZIVE
