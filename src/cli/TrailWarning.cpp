#include "cli/TrailWarning.h"

#include "cli/ListFiles.h"
#include "cli/Output.h"
#include "store/AuditTrailLines.h"
#include "store/GroupImportPlan.h"

#include <memory>
#include <optional>

namespace custodia::cli {

namespace {

// Names a right as the console labels it, "setup: Create new groups", so that an auditor reads what
// was granted. The word files are read at the first right named, not by every command.
RightNamer InstalledRightNamer()
{
    auto names = std::make_shared<std::optional<std::vector<RightName>>>();
    return [names](int program, int position) {
        if (!*names)
            *names = InstalledRightNames();
        for (const RightName& right : **names)
            if (right.program == program && right.position == position)
                return ProgramName(program) + ": " + right.name;
        return DefaultRightName(program, position);
    };
}

} // namespace

TrailOptions CommandTrail(std::ostream& err)
{
    TrailOptions options;
    options.actor = CurrentActor("custodiactl", {});
    options.unlogged = [&err](const Failure& failure) {
        WriteError(err, "warning: the change was made without its audit-trail line: " + DescribeFailure(failure));
    };
    options.rightName = InstalledRightNamer();
    return options;
}

} // namespace custodia::cli
