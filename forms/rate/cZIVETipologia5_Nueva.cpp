#include "forms/rate/cZIVETipologia5_Nueva.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia5_Nueva>();
}  // namespace

}  // namespace svrZIVE
