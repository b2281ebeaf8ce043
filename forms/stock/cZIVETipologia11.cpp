#include "forms/stock/cZIVETipologia11.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia11>();
}  // namespace

}  // namespace svrZIVE
