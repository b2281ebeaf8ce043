#include "forms/rate/cZIVETipologia4.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(4, detailRecordFactory<cZIVET06_Tipologia4>());
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia4>();
}  // namespace

}  // namespace svrZIVE
