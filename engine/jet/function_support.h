// What the files of our SQL functions share: values to and from SQLite (a
// Date travels as a REAL tagged with the subtype kDateSubtype, a Decimal as
// its key tagged with kDecimalSubtype), the wrapper
// that turns a function on Variants into an SQLite function and its errors
// into "#NNNN#description", and the argument rules of the runtime.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE::engine::jet {

inline constexpr unsigned kDateSubtype = 'D';
inline constexpr unsigned kDecimalSubtype = 'N';

using Args = std::vector<Variant>;
using Body = Variant (*)(const Args&);

Variant fromSqlite(sqlite3_value* v);
void toSqlite(sqlite3_context* ctx, const Variant& v);
void resultError(sqlite3_context* ctx, const AutomationError& e);

template <Body body>
void call(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  try {
    Args args;
    args.reserve(argc);
    for (int i = 0; i < argc; ++i) args.push_back(fromSqlite(argv[i]));
    toSqlite(ctx, body(args));
  } catch (const AutomationError& e) {
    resultError(ctx, e);
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
}

struct Registration {
  const char* name;
  int args;  // -1: any number
  void (*fn)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic = true;
};

bool anyNull(const Args& a);
[[noreturn]] void invalidUseOfNull();
[[noreturn]] void invalidCall();
[[noreturn]] void typeMismatch();
// A whole-number argument (a count or a position), rounded half to even.
int64_t wholeArg(const Variant& v);
// The number a value stands for in an expression; 3464 for a text that does not read as one.
double toNumber(const Variant& v);
// The text of a value in an expression: numbers as the runtime writes them.
std::string toText(const Variant& v);

// Texts as code points, and back (`count` of them from `from`).
std::vector<int32_t> codePoints(std::string_view s);
std::string utf8(const std::vector<int32_t>& cps, size_t from = 0, size_t count = std::string::npos);
// A code point with its letter case folded.
int32_t fold(int32_t c);
std::string changeCase(std::string_view s, bool upper);
// Jet's text order: letter case ignored, accents not.
int collate(std::string_view a, std::string_view b);

// The date a value stands for: a Date, a number of days, a text that reads
// as a date or a number; 13 (type mismatch) otherwise, 5 outside the years 100-9999.
double toDate(const Variant& v);
// The functions of date_functions.cpp.
std::span<const Registration> dateRegistrations();
// The text functions (text_functions.cpp) and the number functions, with
// the aggregates of ours (number_functions.cpp).
std::span<const Registration> textRegistrations();
std::span<const Registration> numberRegistrations();
void registerAggregates(sqlite3* db);

}  // namespace svrZIVE::engine::jet
