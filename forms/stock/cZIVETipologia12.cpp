#include "forms/stock/cZIVETipologia12.h"

namespace svrZIVE {

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia12>();
}  // namespace

}  // namespace svrZIVE
