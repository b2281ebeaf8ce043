// Tokens of the Jet SQL dialect.
//
// Names are bare (letters, digits, '_', any non-ASCII byte; not starting with
// a digit) or [bracketed]; texts are '...' or "..." with the delimiter doubled
// inside; dates and times are #...#; numbers are decimal with an optional exponent. A text that does not
// end, a bracket that does not close or a character the dialect does not know
// becomes an Invalid token: the parser reports it as a syntax error of the
// clause it is in.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace svrZIVE::engine::jet {

enum class TokenKind {
  Name,         // bare name or keyword; `text` is the name as written
  QuotedName,   // [name]; `text` is the name without brackets (never a keyword)
  Number,       // `text` is the literal as written
  String,       // `text` is the value (delimiters removed, doubled ones undone)
  Date,         // #...#; `text` is what stands between the #s
  Symbol,       // ( ) , . ; * + - / \ ^ & = <> < <= > >=
  Invalid,      // a lexical error at `offset`
  End,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
  size_t offset = 0;  // byte offset in the statement
  size_t length = 0;  // bytes the token takes in the statement

  bool isSymbol(std::string_view s) const { return kind == TokenKind::Symbol && text == s; }
  // A bare name equal to `keyword`, ignoring letter case.
  bool isKeyword(std::string_view keyword) const;
};

// Splits the whole statement into tokens; the last one is End.
std::vector<Token> tokenize(std::string_view sql);
// The same, each token given as its kind and where it stands, without its
// text; for a caller that needs the text of few of them.
void scanTokens(std::string_view sql, const std::function<void(TokenKind, size_t offset, size_t length)>& token);
// A token's `text`, from where it stands in the statement.
std::string tokenText(std::string_view sql, TokenKind kind, size_t offset, size_t length);

// True for the words that cannot be used as bare names.
bool isReservedWord(std::string_view word);

}  // namespace svrZIVE::engine::jet
