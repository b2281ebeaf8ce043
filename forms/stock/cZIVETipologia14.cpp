#include "forms/stock/cZIVETipologia14.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia14>();
}  // namespace

}  // namespace svrZIVE
