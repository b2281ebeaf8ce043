// A modifiable database made as `zive init` makes it (the first layout, then
// the upgrade), for the benchmarks of the server's classes.
#pragma once

#include <filesystem>
#include <string>

#include "bench/bench_common.h"
#include "engine/dao.h"
#include "frame/message_box.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::bench {

// A new ZIVEMOD.MDB in the current layout, in its own folder `name` under
// the scratch folder.
inline std::filesystem::path initialised(const std::string& name) {
  auto dir = scratchDir() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  auto file = dir / "ZIVEMOD.MDB";
  {
    auto db = engine::DBEngine::forThread().createDatabase(file.string());
    upgrade::createBaseLayout(*db);
    db->close();
  }
  ScopedMessageCallback quiet([](const std::string&, int) {});
  cZIVETraspaso traspaso;
  traspaso.mdbmod(file.string());
  traspaso.mdbPath(dir.string() + "/");
  traspaso.Traspaso();
  return file;
}

}  // namespace svrZIVE::bench
