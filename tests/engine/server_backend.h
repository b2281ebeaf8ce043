// The database server of the tests: ZIVE_TEST_PG names it (a libpq
// connection string or URI; scripts/test.sh starts a throwaway cluster and sets it).
// Each database a test makes there is a schema of its own, named by a link
// file in the test's folder, dropped at the end.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/link_file.h"

namespace svrZIVE::engine::testing {

enum class Backend { File, Server };

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::File ? "File" : "Server";
}

inline std::optional<std::string> testServer() {
  const char* v = std::getenv("ZIVE_TEST_PG");
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

#define SKIP_WITHOUT_SERVER(backend)                                                                  \
  if ((backend) == ::svrZIVE::engine::testing::Backend::Server &&                                     \
      !::svrZIVE::engine::testing::testServer())                                                      \
  GTEST_SKIP() << "ZIVE_TEST_PG is not set: the runs on a database server are skipped "               \
                  "(scripts/test.sh starts a throwaway PostgreSQL cluster and sets it)"

// A plain libpq connection to the test server, for what the tests do behind
// the engine's back.
class ServerAdmin {
 public:
  ServerAdmin() : conn_(PQconnectdb(testServer().value_or("").c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  }
  ~ServerAdmin() { PQfinish(conn_); }
  ServerAdmin(const ServerAdmin&) = delete;
  ServerAdmin& operator=(const ServerAdmin&) = delete;
  // The first column of the first row ("" when none).
  std::string value(const std::string& sql) {
    PGresult* r = PQexec(conn_, sql.c_str());
    const ExecStatusType s = PQresultStatus(r);
    std::string out = s == PGRES_TUPLES_OK && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    std::string error = s == PGRES_TUPLES_OK || s == PGRES_COMMAND_OK ? "" : PQresultErrorMessage(r);
    PQclear(r);
    if (!error.empty()) throw std::runtime_error(error + " in: " + sql);
    return out;
  }

 private:
  PGconn* conn_;
};

// A schema on the test server named by a link file at `path`, dropped with the object.
class ServerSchema {
 public:
  explicit ServerSchema(const std::string& path) {
    static std::atomic<int> counter{0};
    name_ = "zive_t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    ServerAdmin().value("DROP SCHEMA IF EXISTS " + name_ + " CASCADE; CREATE SCHEMA " + name_);
    writeLinkFile(path, withConnectionSetting(*testServer(), "options", "-c search_path=" + name_));
  }
  ~ServerSchema() {
    try {
      ServerAdmin().value("DROP SCHEMA IF EXISTS " + name_ + " CASCADE");
    } catch (...) {
    }
  }
  ServerSchema(const ServerSchema&) = delete;
  ServerSchema& operator=(const ServerSchema&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

}  // namespace svrZIVE::engine::testing
