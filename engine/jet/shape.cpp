// Statement shapes: the literals of a statement taken out, so that
// statements that differ only in their values share one translation, with
// the literals bound as parameters. A literal whose value the translation
// looks at (TOP's count, expressions compared for GROUP BY and ORDER BY) is
// pinned: the translation holds only for statements with that value.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/jet/lexer.h"
#include "engine/jet/parser.h"
#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

namespace {

// A literal of the statement's shape stands in the SQLite text as
// "\x01<n>\x02" until the translation is done. In a shape's key, a whole
// number stands as "\x01", a decimal number as "\x03" (it translates as a
// Double: never the same statement as with a whole number there) and a text
// as "\x02". statementShape refuses statements that hold these bytes.
constexpr char kMarkOpen = '\x01';
constexpr char kMarkClose = '\x02';
constexpr char kMarkDecimal = '\x03';

// Calls `literal(slot)` for each marker of `sql` and `text(piece)` for the
// text between them.
template <class Text, class Lit>
void scanMarkers(std::string_view sql, Text&& text, Lit&& literal) {
  size_t pos = 0;
  while (true) {
    size_t open = sql.find(kMarkOpen, pos);
    if (open == std::string_view::npos) break;
    size_t close = sql.find(kMarkClose, open);
    text(sql.substr(pos, open - pos));
    size_t slot = 0;
    std::from_chars(sql.data() + open + 1, sql.data() + close, slot);
    literal(slot);
    pos = close + 1;
  }
  text(sql.substr(pos));
}

}  // namespace

std::string marker(size_t slot) { return kMarkOpen + std::to_string(slot) + kMarkClose; }

std::optional<size_t> bareMarker(std::string_view sql) {
  if (sql.size() < 3 || sql.front() != kMarkOpen || sql.back() != kMarkClose) return std::nullopt;
  size_t slot = 0;
  auto [end, ec] = std::from_chars(sql.data() + 1, sql.data() + sql.size() - 1, slot);
  if (ec != std::errc() || end != sql.data() + sql.size() - 1) return std::nullopt;
  return slot;
}

// The literal of the shape at `offset` of that kind, or -1.
int Translator::slotAt(size_t offset, bool text, bool decimal) const {
  if (shape_ == nullptr) return -1;
  const auto& lits = shape_->literals;
  auto it = std::lower_bound(lits.begin(), lits.end(), offset,
                             [](const Literal& l, size_t o) { return l.offset < o; });
  if (it == lits.end() || it->offset != offset || it->text != text || it->decimal != decimal) return -1;
  return static_cast<int>(it - lits.begin());
}

std::string Translator::resolved(const std::string& sql) const {
  if (shape_ == nullptr) return sql;
  std::string out;
  scanMarkers(sql, [&](std::string_view piece) { out += piece; },
              [&](size_t slot) { out += shape_->literals[slot].sql(); });
  return out;
}

// Compares two translated expressions as their SQLite texts. The outcome
// depends on the values of the literals in them, which are pinned.
bool Translator::sameSql(const std::string& a, const std::string& b) const {
  if (shape_ == nullptr) return a == b;
  for (const std::string* sql : {&a, &b})
    scanMarkers(*sql, [](std::string_view) {}, [&](size_t slot) { (*pinned_)[slot] = 1; });
  return resolved(a) == resolved(b);
}

std::string Literal::sql() const { return text ? quoteText(value) : value; }

StatementShape statementShape(std::string_view jetSql) {
  StatementShape shape;
  if (std::any_of(jetSql.begin(), jetSql.end(), [](char c) { return c >= '\0' && c <= kMarkDecimal; })) return shape;
  size_t pos = 0;
  bool invalid = false;
  shape.key.reserve(jetSql.size());
  scanTokens(jetSql, [&](TokenKind kind, size_t offset, size_t length) {
    invalid = invalid || kind == TokenKind::Invalid;
    // A crosstab's columns come from the rows it reads: it has no shape.
    invalid = invalid || (kind == TokenKind::Name && namesEqual(jetSql.substr(offset, length), "TRANSFORM"));
    const bool text = kind == TokenKind::String;
    if (invalid || (!text && kind != TokenKind::Number)) return;
    bool decimal = false;
    if (!text) {
      const std::string_view number = jetSql.substr(offset, length);
      double value = 0;
      auto r = std::from_chars(number.data(), number.data() + number.size(), value);
      if (r.ec != std::errc() || r.ptr != number.data() + number.size() || !std::isfinite(value)) return;
      if (number.find_first_not_of("0123456789") == std::string_view::npos) {
        // What the parser reads as a Long literal: digits only, within 32 bits.
        if (value > std::numeric_limits<int32_t>::max()) return;
      } else {
        // A decimal number: digits with a point or an exponent.
        if (number.find_first_not_of("0123456789.eE+-") != std::string_view::npos) return;
        decimal = true;
      }
    }
    shape.key.append(jetSql.substr(pos, offset - pos));
    shape.key += text ? kMarkClose : decimal ? kMarkDecimal : kMarkOpen;
    pos = offset + length;
    shape.literals.push_back(Literal{offset, text, decimal, tokenText(jetSql, kind, offset, length)});
  });
  if (invalid) return StatementShape{};
  shape.key.append(jetSql.substr(pos));
  shape.usable = true;
  return shape;
}

ShapedTranslation translateShape(std::string_view jetSql, const StatementShape& shape, Catalog& catalog) {
  TargetScope scope(catalog.target());
  Statement st = parseStatement(jetSql);
  std::vector<char> pinned(shape.literals.size(), 0);
  ShapedTranslation out;
  out.translation = Translator(catalog, &shape, &pinned).run(st);
  out.marked = std::move(out.translation.sql);
  std::vector<char> written(shape.literals.size(), 0);
  std::string sql;
  scanMarkers(out.marked, [&](std::string_view piece) { sql += piece; },
              [&](size_t slot) {
                written[slot] = 1;
                sql += pinned[slot] ? shape.literals[slot].sql() : "?" + std::to_string(slot + 1);
              });
  out.translation.sql = std::move(sql);
  out.fixed.resize(shape.literals.size());
  for (size_t i = 0; i < shape.literals.size(); ++i)
    if (pinned[i] || !written[i]) out.fixed[i] = shape.literals[i].value;
  return out;
}

bool ShapedTranslation::holdsFor(const StatementShape& shape) const {
  if (shape.literals.size() != fixed.size()) return false;
  for (size_t i = 0; i < fixed.size(); ++i)
    if (fixed[i] && shape.literals[i].value != *fixed[i]) return false;
  return true;
}

std::vector<Variant> ShapedTranslation::parameters(const StatementShape& shape) const {
  std::vector<Variant> values(shape.literals.size());
  for (size_t i = 0; i < values.size(); ++i) {
    if (fixed[i]) continue;
    const Literal& literal = shape.literals[i];
    const char* first = literal.value.data();
    const char* last = first + literal.value.size();
    if (literal.text) {
      values[i] = Variant(literal.value);
    } else if (literal.decimal) {  // correctly rounded, whatever the locale
      double number = 0;
      std::from_chars(first, last, number);
      values[i] = Variant(number);
    } else {  // digits only, within a Long
      int32_t number = 0;
      std::from_chars(first, last, number);
      values[i] = Variant(number);
    }
  }
  for (const auto& stored : translation.storedLiterals)
    values[stored.slot] = storeValue(values[stored.slot], stored.column, stored.table);
  return values;
}

std::string ShapedTranslation::writeSql(const StatementShape& shape) const {
  std::string sql;
  auto text = [&](std::string_view piece) { sql += piece; };
  auto literal = [&](size_t slot) { sql += shape.literals[slot].sql(); };
  scanMarkers(marked, text, [&](size_t slot) {
    auto stored = std::find_if(translation.storedLiterals.begin(), translation.storedLiterals.end(),
                               [&](const Translation::StoredLiteral& s) { return s.slot == slot; });
    if (stored == translation.storedLiterals.end()) literal(slot);
    else scanMarkers(stored->call, text, literal);
  });
  return sql;
}

}  // namespace svrZIVE::engine::jet
