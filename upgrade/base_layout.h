// The modifiable database as the product first shipped it, before any
// upgrade step: declarants, declaration headers and the detail tables of the
// six first rate-based forms. The upgrade (cZIVETraspaso) brings it to the
// current layout; `zive init` does exactly that.
#pragma once

#include <vector>

#include "engine/dao.h"
#include "upgrade/layout.h"

namespace svrZIVE::upgrade {

// The tables of the first layout, in creation order.
const std::vector<TableLayout>& baseLayout();

// Creates every table of baseLayout() in `database` (which holds none of them).
void createBaseLayout(engine::Database& database);

}  // namespace svrZIVE::upgrade
