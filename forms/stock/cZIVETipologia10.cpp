#include "forms/stock/cZIVETipologia10.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia10>();
}  // namespace

}  // namespace svrZIVE
