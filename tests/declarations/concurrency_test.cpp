// Two threads and two processes saving declarants and declarations into one
// file at once: every save succeeds and every number returned is the number
// of the row that save wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "base/automation_error.h"
#include "frame/zive_general.h"
#include "tests/declarations/declarations_fixture.h"

namespace svrZIVE {
namespace {

using testing::declarantBuffer;
using testing::declarationBuffer;

constexpr int kSaves = 25;

// What one client saved: number returned -> the value that marks its row.
struct Saved {
  std::map<int32_t, std::string> declarants;  // T01_CSDE -> T01_NIF
  std::map<int32_t, int32_t> declarations;    // T02_SECDEC -> T02_EJER
  std::string error;
};

// One client: its own thread state, `kSaves` declarants and declarations,
// marked with `client` so that each row says who wrote it.
Saved runClient(const std::string& mod, int client) {
  Saved saved;
  try {
    cZIVEDeclarante declarantes;
    cZIVEDeclaraciones declaraciones;
    declarantes.mdbmod(mod);
    for (int i = 0; i < kSaves; ++i) {
      std::string nif = std::to_string(client) + "-" + std::to_string(i);
      Variant d = declarantBuffer(nif);
      int32_t csde = declarantes.GuardarDeclarante(d);
      saved.declarants[csde] = nif;
      int32_t year = client * 1000 + i;
      Variant header = declarationBuffer(csde, year);
      int32_t secdec = declaraciones.GuardarDeclaracion(header);
      saved.declarations[secdec] = year;
    }
  } catch (const AutomationError& e) {
    saved.error = std::to_string(e.number()) + " " + e.description();
  }
  ZIVEGeneral::endThreadState();
  return saved;
}

// Checks every number against the row it names; "" when all are right.
std::string check(const std::string& mod, const Saved& saved) {
  if (!saved.error.empty()) return "save failed: " + saved.error;
  if (saved.declarants.size() != kSaves) return "a declarant number was returned twice";
  if (saved.declarations.size() != kSaves) return "a declaration number was returned twice";
  for (const auto& [csde, nif] : saved.declarants) {
    auto r = testing::rows(mod, "SELECT T01_NIF FROM T01_DECLARANTES WHERE T01_CSDE = " + std::to_string(csde));
    if (r.size() != 1 || r[0][0] != nif) return "declarant " + std::to_string(csde) + " is not " + nif;
  }
  for (const auto& [secdec, year] : saved.declarations) {
    auto r = testing::rows(mod, "SELECT T02_EJER FROM T02_DECLARACIONES WHERE T02_SECDEC = " +
                                    std::to_string(secdec));
    if (r.size() != 1 || r[0][0] != std::to_string(year))
      return "declaration " + std::to_string(secdec) + " is not of year " + std::to_string(year);
  }
  return {};
}

// Two clients at once, as two threads of this process or as two processes
// (each on a fresh thread: nothing of the parent's engine state is used).
TEST(ConcurrentSaves, TwoThreadsAndTwoProcesses) {
  for (bool processes : {false, true}) {
    SCOPED_TRACE(processes ? "processes" : "threads");
    testing::TempDir dir;
    std::string mod = testing::freshModifiable(dir);
    std::vector<std::thread> threads;
    std::vector<pid_t> children;
    std::vector<std::string> problems(3);
    for (int client = 1; client <= 2; ++client) {
      auto work = [&mod, &problems, client] {
        problems[client] = check(mod, runClient(mod, client));
        ZIVEGeneral::endThreadState();
      };
      if (!processes) {
        threads.emplace_back(work);
        continue;
      }
      pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        std::thread(work).join();
        if (!problems[client].empty()) std::fprintf(stderr, "client %d: %s\n", client, problems[client].c_str());
        ::_exit(problems[client].empty() ? 0 : 1);
      }
      children.push_back(pid);
    }
    for (auto& t : threads) t.join();
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a client process failed";
    }
    for (const auto& problem : problems) EXPECT_EQ(problem, "");
    EXPECT_EQ(testing::count(mod, "T01_DECLARANTES"), 2 * kSaves);
    EXPECT_EQ(testing::count(mod, "T02_DECLARACIONES"), 2 * kSaves);
  }
}

}  // namespace
}  // namespace svrZIVE
