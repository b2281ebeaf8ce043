#include "engine/jet/lexer.h"

#include <functional>

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

void scanTokens(std::string_view sql, const std::function<void(TokenKind, size_t, size_t)>& token) {
  size_t i = 0;
  const size_t n = sql.size();
  auto push = [&](TokenKind kind, size_t start) { token(kind, start, i - start); };
  while (i < n) {
    const char c = sql[i];
    if (isBlank(c)) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (isNameStart(static_cast<unsigned char>(c))) {
      while (i < n && isNameChar(static_cast<unsigned char>(sql[i]))) ++i;
      // The runtime's text functions may be called with a '$': Mid$(...).
      if (i < n && sql[i] == '$') {
        size_t j = i + 1;
        while (j < n && isBlank(sql[j])) ++j;
        if (j < n && sql[j] == '(') ++i;
      }
      push(TokenKind::Name, start);
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
        push(TokenKind::Invalid, start);
        continue;
      }
      push(TokenKind::Number, start);
      continue;
    }
    if (c == '\'' || c == '"') {
      ++i;
      bool closed = false;
      while (i < n) {
        if (sql[i] == c) {
          if (i + 1 < n && sql[i + 1] == c) {
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        ++i;
      }
      push(closed ? TokenKind::String : TokenKind::Invalid, start);
      continue;
    }
    if (c == '#') {
      size_t close = sql.find('#', i + 1);
      i = close == std::string_view::npos ? n : close + 1;
      push(close == std::string_view::npos ? TokenKind::Invalid : TokenKind::Date, start);
      continue;
    }
    if (c == '[') {
      size_t close = sql.find(']', i + 1);
      const bool invalid = close == std::string_view::npos || close == i + 1;
      i = close == std::string_view::npos ? n : close + 1;
      push(invalid ? TokenKind::Invalid : TokenKind::QuotedName, start);
      continue;
    }
    if ((c == '<' && i + 1 < n && (sql[i + 1] == '>' || sql[i + 1] == '=')) ||
        (c == '>' && i + 1 < n && sql[i + 1] == '=')) {
      i += 2;
      push(TokenKind::Symbol, start);
      continue;
    }
    static constexpr std::string_view kSingle = "(),.;*+-/\\^&=<>";
    ++i;
    if (kSingle.find(c) != std::string_view::npos) {
      push(TokenKind::Symbol, start);
    } else {
      // Take a whole UTF-8 sequence so that the message shows a character.
      while (i < n && (static_cast<unsigned char>(sql[i]) & 0xC0) == 0x80) ++i;
      push(TokenKind::Invalid, start);
    }
  }
}

std::string tokenText(std::string_view sql, TokenKind kind, size_t offset, size_t length) {
  std::string_view raw = sql.substr(offset, length);
  switch (kind) {
    case TokenKind::String: {
      const char quote = raw.front();
      std::string value;
      value.reserve(length - 2);
      for (size_t i = 1; i + 1 < raw.size(); ++i) {
        value += raw[i];
        if (raw[i] == quote) ++i;  // a doubled delimiter stands for one
      }
      return value;
    }
    case TokenKind::Date:
    case TokenKind::QuotedName: return std::string(raw.substr(1, raw.size() - 2));
    default: return std::string(raw);
  }
}

std::vector<Token> tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  tokens.reserve(sql.size() / 4 + 2);  // a token and its blank take four bytes or more, mostly
  scanTokens(sql, [&](TokenKind kind, size_t offset, size_t length) {
    tokens.push_back(Token{kind, tokenText(sql, kind, offset, length), offset, length});
  });
  tokens.push_back(Token{TokenKind::End, {}, sql.size(), 0});
  return tokens;
}

}  // namespace svrZIVE::engine::jet
