#pragma once

#include "manual/ManualPage.h"
#include "platform/UserFolder.h"

#include <string>

namespace custodia {

// custodia(1), which is also the console's --help: start-up, the log-on arguments and where the files
// it reads and writes are for the given layout. Plain data, so that a build-time tool writes the page
// without a display.
manual::Page ConsoleManualPage(const InstalledLayout& layout, const std::string& version);

} // namespace custodia
