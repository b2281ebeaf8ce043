// The import of the Northwind sample (Jet 3, nine tables, OLE pictures)
// against mdbtools' own export of every table (mdb-export to /dev/null, one
// process per table, as a user would run it) in the same run: reading the
// file is the common part, writing our database the import's own.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "import/access_file.h"
#include "import/access_import.h"

extern char** environ;

namespace svrZIVE::bench {
namespace {

const std::string kNorthwind = std::string(ZIVE_ACCESS_TESTDATA) + "/nwind.mdb";

void engineImport(benchmark::State& state) {
  const auto target = scratchDir() / "import_bench.zive";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(target);
    state.ResumeTiming();
    benchmark::DoNotOptimize(access::importAccessFile(kNorthwind, target.string()));
  }
}

void mdbExport(benchmark::State& state) {
  std::vector<std::string> tables;
  const access::AccessFile file(kNorthwind);
  for (const auto& t : file.tables()) tables.push_back(t.name);
  posix_spawn_file_actions_t toNull;
  posix_spawn_file_actions_init(&toNull);
  posix_spawn_file_actions_addopen(&toNull, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    for (const auto& table : tables) {
      std::vector<char*> argv{const_cast<char*>("mdb-export"), const_cast<char*>(kNorthwind.c_str()),
                              const_cast<char*>(table.c_str()), nullptr};
      pid_t pid = 0;
      if (posix_spawnp(&pid, "mdb-export", &toNull, nullptr, argv.data(), environ) != 0) {
        state.SkipWithError("mdb-export cannot be run (Debian package mdbtools)");
        break;
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
  posix_spawn_file_actions_destroy(&toNull);
}

}  // namespace

BENCHMARK(engineImport)->Name("engine/import_nwind_mdb")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(mdbExport)->Name("mdb-export/import_nwind_mdb")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace svrZIVE::bench
