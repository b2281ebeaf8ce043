#include "forms/rate/cZIVETipologia2.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(2, detailRecordFactory<cZIVET04_Tipologia2>());
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia2>();
}  // namespace

}  // namespace svrZIVE
