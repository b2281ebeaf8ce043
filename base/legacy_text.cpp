#include "base/legacy_text.h"

#include <cstdint>

namespace svrZIVE {
namespace {

// The length of the well-formed UTF-8 sequence at `i`, 0 when there is none
// (the ranges of the Unicode standard's table of well-formed byte sequences).
size_t sequenceAt(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) length = 2;
  else if (b == 0xE0) length = 3, low = 0xA0;
  else if (b >= 0xE1 && b <= 0xEC) length = 3;
  else if (b == 0xED) length = 3, high = 0x9F;  // no surrogates
  else if (b >= 0xEE && b <= 0xEF) length = 3;
  else if (b == 0xF0) length = 4, low = 0x90;
  else if (b >= 0xF1 && b <= 0xF3) length = 4;
  else if (b == 0xF4) length = 4, high = 0x8F;  // nothing above U+10FFFF
  else return 0;
  if (i + length > s.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return length;
}

// Windows-1252 characters of bytes 80 to 9F; the other bytes are Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendCp1252(std::string& out, unsigned char b) {
  const uint32_t c = b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : b;
  if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
  }
  out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

// Where the first byte outside a well-formed sequence is; size() when none.
size_t firstInvalid(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = sequenceAt(s, i);
    if (n == 0) return i;
    i += n;
  }
  return s.size();
}

}  // namespace

bool isUtf8(std::string_view text) { return firstInvalid(text) == text.size(); }

void makeUtf8(std::string& text) {
  size_t i = firstInvalid(text);
  if (i == text.size()) return;
  std::string out(text, 0, i);
  out.reserve(text.size() + 8);
  while (i < text.size()) {
    const size_t n = sequenceAt(text, i);
    if (n == 0) {
      appendCp1252(out, static_cast<unsigned char>(text[i]));
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  text = std::move(out);
}

std::string utf8Text(std::string_view bytes) {
  std::string text(bytes);
  makeUtf8(text);
  return text;
}

}  // namespace svrZIVE
