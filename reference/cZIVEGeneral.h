// cZIVEGeneral: the declarant list, newest first (modifiable database), and
// the administrative bodies of the reference database in the chosen language
// ("C" Spanish, anything else Basque), all of them or one by code.
//
// The two body queries put their fixed text in front of a failure's
// description and leave the reference database open in the shared
// connection until the next initialisation.
#pragma once

#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVEGeneral : public ServicePaths {
 public:
  // Declarants (number, tax number, name) in table shape, highest number
  // first; Null when there is none.
  Variant ExisteDec();
  // One body as a single record (code, description, Empty); Null when the
  // code is not there.
  Variant ObtenerAdmComID(const std::string& strAdmComID, const std::string& idioma);
  // Every body (code, description) in table shape, in the table's own order;
  // Null when there is none.
  Variant ObtenerAdmCom(const std::string& idioma);
};

}  // namespace svrZIVE
