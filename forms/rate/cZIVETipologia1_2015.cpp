#include "forms/rate/cZIVETipologia1_2015.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia1_2015>();
}  // namespace

}  // namespace svrZIVE
