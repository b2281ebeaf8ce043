#include "forms/stock/cZIVETipologia9.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia9>();
}  // namespace

}  // namespace svrZIVE
