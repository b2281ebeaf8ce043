#include "forms/rate/cZIVETipologia1.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia1>();
}  // namespace

}  // namespace svrZIVE
