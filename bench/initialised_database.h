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

// Inserts `count` return headers (one raw statement; the caller holds the
// transaction), declarant i % `declarants` + 1 for the i-th, of years 2000
// to 2019 and periods 01 to 12, with the SQL expressions `model`, `typology`
// and `amount` of i for the rest.
inline void insertHeaders(RawDb& raw, int count, int declarants, const std::string& model,
                          const std::string& typology, const std::string& amount) {
  raw.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
           ") INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, T02_TIPOL,"
           " T02_IMPFIN, T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM)"
           " SELECT i % " + std::to_string(declarants) + " + 1, 2000 + (i / 12) % 20, '1', printf('%02d', i % 12 + 1), " +
           model + ", " + typology + ", " + amount + ", ' ', ' ', ' ', ' ', ' ' FROM n");
}

}  // namespace svrZIVE::bench
