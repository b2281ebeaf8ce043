#include "forms/stock/cZIVETipologia8.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia8>();
}  // namespace

}  // namespace svrZIVE
