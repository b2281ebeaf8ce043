#include "forms/stock/cZIVETipologia13.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia13>();
}  // namespace

}  // namespace svrZIVE
