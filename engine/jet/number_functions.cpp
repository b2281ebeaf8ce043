// The dialect's number functions (Sqr, Exp, Log, the trigonometric ones,
// Rnd), the conversions CCur and CVar, IsNumeric and IsEmpty, and the
// aggregates of ours: First and Last (the value of the first or last row in
// the order the rows were added, whatever order the query reads them in)
// and the statistics StDev, StDevP, Var and VarP.
//
// Rnd follows the runtime's generator: a 24-bit state, advanced by every
// call with a positive argument (or none), repeated by Rnd(0) and seeded
// anew from the number by a negative argument, so that Rnd(-n) followed by
// Rnd() gives the same sequence every time. The state belongs to the thread
// and starts where the runtime's does.
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/variant.h"
#include "engine/jet/function_support.h"

namespace svrZIVE::engine::jet {

namespace {

double numberArg(const Variant& v) {
  double d = 0;
  if (v.isString() && !parseNumber(v.asString(), d)) raiseRuntimeError(kTypeMismatch);
  return v.isString() ? d : toNumber(v);
}

// A function of one number: Null gives Null, `valid` says which numbers the
// function takes (5 otherwise), an infinite result overflows.
template <double (*f)(double), bool (*valid)(double)>
Variant math(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  const double d = numberArg(a[0]);
  if (!valid(d)) invalidCall();
  const double r = f(d);
  if (!std::isfinite(r)) raiseRuntimeError(kOverflow);
  return Variant(r);
}

bool any(double) { return true; }
bool notNegative(double d) { return d >= 0; }
bool positive(double d) { return d > 0; }
double sqr(double d) { return std::sqrt(d); }
double exp(double d) { return std::exp(d); }
double log(double d) { return std::log(d); }
double sin(double d) { return std::sin(d); }
double cos(double d) { return std::cos(d); }
double tan(double d) { return std::tan(d); }
double atn(double d) { return std::atan(d); }

thread_local uint32_t rndState = 0x50000;

Variant fnRnd(const Args& a) {
  double n = 1;
  if (!a.empty()) {
    if (a[0].isNull()) invalidUseOfNull();
    n = numberArg(a[0]);
  }
  if (n < 0) {
    const float single = static_cast<float>(n);
    uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    rndState = (bits + (bits >> 24)) & 0xFFFFFF;
  }
  if (n != 0) rndState = (rndState * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFF;
  return Variant(static_cast<double>(rndState) / 16777216.0);
}

// CCur: to four decimal places, half to even, within the Currency range.
Variant fnCCur(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  const double d = numberArg(a[0]);
  if (!(std::fabs(d) <= 922337203685477.5807)) raiseRuntimeError(kOverflow);
  return Variant(roundHalfEven(d * 10000.0) / 10000.0);
}

Variant fnIsNumeric(const Args& a) {
  double d = 0;
  const Variant& v = a[0];
  return Variant(v.isString() ? parseNumber(v.asString(), d) : v.isNumeric() || v.isEmpty());
}

Variant fnIsEmpty(const Args& a) { return Variant(a[0].isEmpty()); }

constexpr Registration kNumbers[] = {
    {"jet_sqr", 1, call<math<sqr, notNegative>>},
    {"jet_exp", 1, call<math<exp, any>>},
    {"jet_log", 1, call<math<log, positive>>},
    {"jet_sin", 1, call<math<sin, any>>},
    {"jet_cos", 1, call<math<cos, any>>},
    {"jet_tan", 1, call<math<tan, any>>},
    {"jet_atn", 1, call<math<atn, any>>},
    {"jet_rnd", 0, call<fnRnd>, false},
    {"jet_rnd", 1, call<fnRnd>, false},
    {"jet_ccur", 1, call<fnCCur>},
    {"jet_isnumeric", 1, call<fnIsNumeric>},
    {"jet_isempty", 1, call<fnIsEmpty>},
};

// ---- aggregates ------------------------------------------------------------

// The state of an aggregate, made on its first row and freed by its final call.
template <class State>
State* state(sqlite3_context* ctx, bool make) {
  auto** slot = static_cast<State**>(sqlite3_aggregate_context(ctx, make ? sizeof(State*) : 0));
  if (slot == nullptr) return nullptr;
  if (*slot == nullptr && make) *slot = new State;
  return *slot;
}

template <class State>
void finish(sqlite3_context* ctx) {
  State* s = state<State>(ctx, false);
  if (s == nullptr) {
    sqlite3_result_null(ctx);
    return;
  }
  try {
    toSqlite(ctx, s->result());
  } catch (const AutomationError& e) {
    resultError(ctx, e);
  }
  delete s;
}

// First and Last: the arguments after the value are the rowids of the
// query's tables, which order its rows as they were added.
template <bool last>
struct Pick {
  Variant value;
  std::vector<sqlite3_int64> key;
  bool any = false;
  Variant result() const { return any ? value : Variant::null(); }
};

template <bool last>
void pickStep(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  auto* p = state<Pick<last>>(ctx, true);
  if (p == nullptr) return sqlite3_result_error_nomem(ctx);
  std::vector<sqlite3_int64> key;
  for (int i = 1; i < argc; ++i) key.push_back(sqlite3_value_int64(argv[i]));
  if (!p->any || (last ? key >= p->key : key < p->key)) {
    p->value = fromSqlite(argv[0]);
    p->key = std::move(key);
    p->any = true;
  }
}

// Var and StDev of a sample (`population` false) or of a whole population;
// Null values are left out.
template <bool population, bool root>
struct Spread {
  double n = 0, mean = 0, m2 = 0;
  Variant result() const {
    if (n < (population ? 1 : 2)) return Variant::null();
    const double v = m2 / (population ? n : n - 1);
    return Variant(root ? std::sqrt(v) : v);
  }
};

template <bool population, bool root>
void spreadStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* s = state<Spread<population, root>>(ctx, true);
  if (s == nullptr) return sqlite3_result_error_nomem(ctx);
  try {
    const Variant v = fromSqlite(argv[0]);
    if (v.isNull()) return;
    const double x = toNumber(v);
    s->n += 1;
    const double delta = x - s->mean;
    s->mean += delta / s->n;
    s->m2 += delta * (x - s->mean);
  } catch (const AutomationError& e) {
    resultError(ctx, e);
  }
}

struct Aggregate {
  const char* name;
  void (*step)(sqlite3_context*, int, sqlite3_value**);
  void (*final)(sqlite3_context*);
};

constexpr Aggregate kAggregates[] = {
    {"jet_first", pickStep<false>, finish<Pick<false>>},
    {"jet_last", pickStep<true>, finish<Pick<true>>},
    {"jet_var", spreadStep<false, false>, finish<Spread<false, false>>},
    {"jet_varp", spreadStep<true, false>, finish<Spread<true, false>>},
    {"jet_stdev", spreadStep<false, true>, finish<Spread<false, true>>},
    {"jet_stdevp", spreadStep<true, true>, finish<Spread<true, true>>},
};

}  // namespace

std::span<const Registration> numberRegistrations() { return kNumbers; }

void registerAggregates(sqlite3* db) {
  for (const auto& a : kAggregates)
    sqlite3_create_function_v2(db, a.name, -1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, nullptr, a.step, a.final,
                               nullptr);
}

}  // namespace svrZIVE::engine::jet
