#include "forms/rate/cZIVET03_Tipologia1.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kDeleter =
    registerDetailDeleter(1, detailRecordFactory<cZIVET03_Tipologia1>());
}  // namespace

}  // namespace svrZIVE
