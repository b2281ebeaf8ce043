// Statement: the one writer of SQL statement texts. A statement is fixed text
// with values appended as text:
//   Byte, Integer, Long   decimal digits, '-' in front when negative
//   Double                formatDouble: at most 15 significant digits, '.' as
//                         the decimal point whatever the locale (0.1 + 0.2 -> 0.3)
//   text                  exactly as it stands (the fixed text around it
//                         carries the apostrophes)
//
//   Statement s("INSERT INTO T01_DECLARANTES (T01_NIF, T01_EJER) VALUES ('");
//   s << strNIF << "', " << lngEjercicio << ")";
//   conexion.execute(s);
//
// String literals are fixed text and are written exactly, blanks included.
// Every other text (std::string, std::string_view; a const char* variable goes
// through text()) is a value. A value holding an apostrophe would end its quoted literal early
// and change what the statement does: the statement is then invalid, and
// taking its text (sql(), or running it through the connection) fails with
// the engine's syntax error 3075 naming the statement, so nothing runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace svrZIVE {

class Statement {
 public:
  Statement() = default;
  template <std::size_t N>
  explicit Statement(const char (&fixedText)[N]) {
    fixed(std::string_view(fixedText));
  }

  // Fixed text: literals of the code.
  template <std::size_t N>
  Statement& operator<<(const char (&fixedText)[N]) {
    return fixed(std::string_view(fixedText));
  }
  // A writable buffer is no literal: write it with text().
  template <std::size_t N>
  Statement& operator<<(char (&buffer)[N]) = delete;
  // Fixed text that is not a literal (a table name chosen from the code's own
  // constants, for instance). Never pass a client's value here.
  Statement& fixed(std::string_view fixedText);

  // Values.
  Statement& operator<<(uint8_t value);
  Statement& operator<<(int16_t value);
  Statement& operator<<(int32_t value);
  Statement& operator<<(double value);
  Statement& operator<<(std::string_view value) { return text(value); }
  Statement& operator<<(const std::string& value) { return text(value); }
  Statement& text(std::string_view value);
  // Say which type is meant: other types have no written form here (a bool
  // or a const char* variable is ambiguous, and so refused, too).
  Statement& operator<<(char) = delete;
  Statement& operator<<(int64_t) = delete;
  Statement& operator<<(uint32_t) = delete;
  Statement& operator<<(float) = delete;

  // False once a value holding an apostrophe was written.
  bool valid() const { return valid_; }
  // The statement to run; raises 3075 (source "DAO.Database") when invalid.
  const std::string& sql() const;
  // The text as written so far, valid or not (for messages and traces).
  const std::string& written() const { return text_; }

 private:
  std::string text_;
  bool valid_ = true;
};

}  // namespace svrZIVE
