// Tests that run twice, on a local file and on a database on the test
// server (skipped without one), each on a new database made by the engine
// with the statements the fixture gives.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"
#include "tests/engine/server_backend.h"

namespace svrZIVE::engine::testing {

class BothBackendsTest : public EngineTest, public ::testing::WithParamInterface<Backend> {
 protected:
  explicit BothBackendsTest(std::initializer_list<std::string> statements) : statements_(statements) {}
  void SetUp() override {
    SKIP_WITHOUT_SERVER(GetParam());
    if (GetParam() == Backend::Server) schema_.emplace(file("test.mdb"));
    db = createDb();
    for (const auto& sql : statements_) db->execute(sql);
  }
  std::optional<ServerSchema> schema_;
  std::shared_ptr<Database> db;

 private:
  std::vector<std::string> statements_;
};

#define INSTANTIATE_ON_BOTH_BACKENDS(fixture)                                                        \
  INSTANTIATE_TEST_SUITE_P(Backends, fixture,                                                        \
                           ::testing::Values(::svrZIVE::engine::testing::Backend::File,              \
                                             ::svrZIVE::engine::testing::Backend::Server),           \
                           ::svrZIVE::engine::testing::backendName)

}  // namespace svrZIVE::engine::testing
