#include "engine/jet/lexer.h"

#include "engine/schema.h"

namespace svrZIVE::engine::jet {

namespace {

bool isNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool isNameChar(unsigned char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

bool Token::isKeyword(std::string_view keyword) const {
  return kind == TokenKind::Name && namesEqual(text, keyword);
}

bool isReservedWord(std::string_view word) {
  static constexpr std::string_view kReserved[] = {
      "ADD",    "ALL",   "ALTER",  "AND",     "AS",     "ASC",    "BETWEEN", "BY",
      "COLUMN", "CONSTRAINT", "CREATE", "DELETE", "DESC", "DISTINCT", "DISTINCTROW", "DROP",
      "FALSE",  "FROM",  "GROUP",  "HAVING",  "IN",     "INDEX",  "INNER",   "INSERT",
      "INTO",   "IS",    "JOIN",   "LEFT",    "LIKE",   "MOD",    "NOT",     "NULL",
      "ON",     "OR",    "ORDER",  "OUTER",   "RIGHT",  "SELECT", "SET",     "TABLE",
      "TOP",    "TRUE",  "UNION",  "UNIQUE",  "UPDATE", "VALUES", "WHERE"};
  for (auto r : kReserved)
    if (namesEqual(r, word)) return true;
  return false;
}

std::vector<Token> tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t n = sql.size();
  tokens.reserve(n / 4 + 2);  // a token and its blank take four bytes or more, mostly
  auto push = [&](TokenKind kind, std::string text, size_t start) {
    tokens.push_back(Token{kind, std::move(text), start, i - start});
  };
  while (i < n) {
    const char c = sql[i];
    if (isBlank(c)) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (isNameStart(static_cast<unsigned char>(c))) {
      while (i < n && isNameChar(static_cast<unsigned char>(sql[i]))) ++i;
      push(TokenKind::Name, std::string(sql.substr(start, i - start)), start);
      continue;
    }
    if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(sql[i + 1]))) {
      while (i < n && isDigit(sql[i])) ++i;
      if (i < n && sql[i] == '.') {
        ++i;
        while (i < n && isDigit(sql[i])) ++i;
      }
      if (i < n && (sql[i] == 'E' || sql[i] == 'e')) {
        size_t j = i + 1;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < n && isDigit(sql[j])) {
          i = j;
          while (i < n && isDigit(sql[i])) ++i;
        }
      }
      // A number running straight into a name ("12abc") is not a number.
      if (i < n && isNameStart(static_cast<unsigned char>(sql[i]))) {
        while (i < n && isNameChar(static_cast<unsigned char>(sql[i]))) ++i;
        push(TokenKind::Invalid, std::string(sql.substr(start, i - start)), start);
        continue;
      }
      push(TokenKind::Number, std::string(sql.substr(start, i - start)), start);
      continue;
    }
    if (c == '\'' || c == '"') {
      std::string value;
      ++i;
      bool closed = false;
      while (i < n) {
        if (sql[i] == c) {
          if (i + 1 < n && sql[i + 1] == c) {
            value += c;
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        value += sql[i++];
      }
      if (!closed) {
        push(TokenKind::Invalid, std::string(sql.substr(start)), start);
        continue;
      }
      push(TokenKind::String, std::move(value), start);
      continue;
    }
    if (c == '#') {
      size_t close = sql.find('#', i + 1);
      if (close == std::string_view::npos) {
        i = n;
        push(TokenKind::Invalid, std::string(sql.substr(start)), start);
        continue;
      }
      std::string text(sql.substr(i + 1, close - i - 1));
      i = close + 1;
      push(TokenKind::Date, std::move(text), start);
      continue;
    }
    if (c == '[') {
      size_t close = sql.find(']', i + 1);
      if (close == std::string_view::npos || close == i + 1) {
        i = close == std::string_view::npos ? n : close + 1;
        push(TokenKind::Invalid, std::string(sql.substr(start, i - start)), start);
        continue;
      }
      std::string name(sql.substr(i + 1, close - i - 1));
      i = close + 1;
      push(TokenKind::QuotedName, std::move(name), start);
      continue;
    }
    if (c == '<' && i + 1 < n && (sql[i + 1] == '>' || sql[i + 1] == '=')) {
      i += 2;
      push(TokenKind::Symbol, std::string(sql.substr(start, 2)), start);
      continue;
    }
    if (c == '>' && i + 1 < n && sql[i + 1] == '=') {
      i += 2;
      push(TokenKind::Symbol, ">=", start);
      continue;
    }
    static constexpr std::string_view kSingle = "(),.;*+-/\\^&=<>";
    ++i;
    if (kSingle.find(c) != std::string_view::npos) {
      push(TokenKind::Symbol, std::string(1, c), start);
    } else {
      // Take a whole UTF-8 sequence so that the message shows a character.
      while (i < n && (static_cast<unsigned char>(sql[i]) & 0xC0) == 0x80) ++i;
      push(TokenKind::Invalid, std::string(sql.substr(start, i - start)), start);
    }
  }
  tokens.push_back(Token{TokenKind::End, {}, n, 0});
  return tokens;
}

}  // namespace svrZIVE::engine::jet
