// One write transaction on the shared connection's current workspace: the
// insert of a new row and the maximum query that reads its number back run
// together, so that another client saving at the same time can neither slip
// its row in between nor be given this one's number (beginTrans takes the
// file's write lock up front and waits for another writer). A failure rolls
// the transaction back and passes on unchanged.
#pragma once

#include <type_traits>
#include <utility>

#include "engine/dao.h"
#include "frame/automation.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::declarations {

template <class Work>
auto inWriteTransaction(Work&& work) -> decltype(work()) {
  engine::Workspace* workspace = ZIVEGeneral::sharedConnection().workspace().get();
  if (!workspace) throw objectNotSet();
  workspace->beginTrans();
  try {
    if constexpr (std::is_void_v<decltype(work())>) {
      std::forward<Work>(work)();
      workspace->commitTrans();
    } else {
      auto result = std::forward<Work>(work)();
      workspace->commitTrans();
      return result;
    }
  } catch (...) {
    try {
      workspace->rollback();
    } catch (...) {
    }
    throw;
  }
}

}  // namespace svrZIVE::declarations
