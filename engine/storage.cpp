#include "engine/storage.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/dao.h"
#include "engine/link_file.h"
#include "engine/pg_db.h"
#include "engine/sqlite_db.h"

namespace svrZIVE::engine {

namespace {
thread_local StatementTrace tThreadTrace;

bool traceToStderr() {
  static const bool enabled = [] {
    const char* v = std::getenv("ZIVE_TRACE");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return enabled;
}
}  // namespace

void setStatementTrace(StatementTrace trace) { tThreadTrace = std::move(trace); }

namespace detail {

namespace {
std::atomic<int> gBusyTimeoutMs{5000};
}  // namespace

int busyTimeoutMs() { return gBusyTimeoutMs.load(); }
void setBusyTimeoutMs(int ms) { gBusyTimeoutMs.store(ms); }

void raise(int32_t number, std::string_view source, std::string description) {
  throw AutomationError(number, std::string(source), std::move(description));
}

void raiseJet(int32_t number, std::string_view source, std::string_view arg) {
  raise(number, source, jetMessage(number, arg));
}

std::optional<AutomationError> functionError(const std::string& message, std::string_view source) {
  if (message.size() <= 2 || message[0] != '#') return std::nullopt;
  size_t end = message.find('#', 1);
  if (end == std::string::npos || end <= 1) return std::nullopt;
  char* stop = nullptr;
  long number = std::strtol(message.c_str() + 1, &stop, 10);
  if (stop != message.c_str() + end) return std::nullopt;
  return AutomationError(static_cast<int32_t>(number), std::string(source), message.substr(end + 1));
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool tracing() { return static_cast<bool>(tThreadTrace) || traceToStderr(); }

void traceStatement(std::string_view jet, std::string_view stored) {
  if (tThreadTrace) tThreadTrace(jet, stored);
  if (traceToStderr()) {
    std::fprintf(stderr, "[zive] jet:    %.*s\n[zive] sqlite: %.*s\n", int(jet.size()), jet.data(),
                 int(stored.size()), stored.data());
  }
}

int64_t Connection::queryInt(std::string_view sql, std::string_view source) {
  auto st = prepare(sql, source);
  return st->step() ? st->int64(0) : 0;
}

Transaction::Transaction(Connection& connection, std::string_view source, bool immediate)
    : connection_(connection), source_(source) {
  if (connection_.inTransaction()) {
    kind_ = immediate || connection_.failureSpoilsTransaction() ? Kind::Savepoint : Kind::Enclosed;
    if (kind_ == Kind::Savepoint) connection_.execFixed("SAVEPOINT zive_step", source_);
    return;
  }
  connection_.begin(immediate, source_);
}

Transaction::~Transaction() {
  if (done_ || !connection_.inTransaction()) return;
  switch (kind_) {
    case Kind::Own: connection_.execQuietly("ROLLBACK"); break;
    case Kind::Savepoint:
      connection_.execQuietly("ROLLBACK TO zive_step");
      connection_.execQuietly("RELEASE zive_step");
      break;
    case Kind::Enclosed: break;
  }
}

void Transaction::commit() {
  switch (kind_) {
    case Kind::Own: connection_.execFixed("COMMIT", source_); break;
    case Kind::Savepoint: connection_.execFixed("RELEASE zive_step", source_); break;
    case Kind::Enclosed: break;
  }
  done_ = true;
}

std::unique_ptr<Connection> connectionFor(const std::string& path) {
  if (linkTarget(path)) return std::make_unique<PgConnection>();
  return std::make_unique<SqliteConnection>();
}

}  // namespace detail
}  // namespace svrZIVE::engine
