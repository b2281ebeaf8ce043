#include "forms/rate/cZIVETipologia3.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(3, detailRecordFactory<cZIVET05_Tipologia3>());
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia3>();
}  // namespace

}  // namespace svrZIVE
