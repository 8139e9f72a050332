#include "cli/TrailWarning.h"

#include "cli/Output.h"

namespace custodia::cli {

TrailOptions CommandTrail(std::ostream& err)
{
    TrailOptions options;
    options.actor = CurrentActor("custodiactl", {});
    options.unlogged = [&err](const Failure& failure) {
        WriteError(err, "warning: the change was made without its audit-trail line: " + DescribeFailure(failure));
    };
    return options;
}

} // namespace custodia::cli
