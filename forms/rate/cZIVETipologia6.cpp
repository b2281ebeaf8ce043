#include "forms/rate/cZIVETipologia6.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(6, detailRecordFactory<cZIVET08_Tipologia6>());
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia6>();
}  // namespace

}  // namespace svrZIVE
