#pragma once

#include "store/AuditTrailHold.h"

#include <ostream>

namespace custodia::cli {

// The trail options of custodiactl's changes: made by "custodiactl" (whatever the program file is
// called), and a change that went ahead without its line, as the login path allows, is named in a
// warning on the error stream.
TrailOptions CommandTrail(std::ostream& err);

} // namespace custodia::cli
