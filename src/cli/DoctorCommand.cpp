#include "cli/Command.h"
#include "cli/Output.h"
#include "platform/ShareCheck.h"

#include <ostream>

namespace custodia::cli {

namespace {

const char* SeverityText(ShareFinding::Severity severity)
{
    switch (severity) {
    case ShareFinding::Severity::Info:
        return "ok";
    case ShareFinding::Severity::Warning:
        return "warning";
    case ShareFinding::Severity::Unsafe:
        return "unsafe";
    }
    return "ok";
}

int Doctor(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& path = arguments.Operand(0);
    if (path.empty())
        throw UsageError("login path is empty");
    const ShareReport report = CheckShare(path);
    for (const ShareFinding& finding : report.findings)
        WriteFields(context.out, { finding.topic, SeverityText(finding.severity), finding.text });
    if (report.IsUnsafe()) {
        WriteFields(
            context.out, { "verdict", "unsafe", "the suite's programs cannot share the login path safely here" });
        return kExitFailed;
    }
    WriteFields(context.out, { "verdict", "ok", "the login path can be shared by the suite's programs" });
    return kExitSuccess;
}

} // namespace

std::vector<Command> DoctorCommands()
{
    return {
        {
            "doctor",
            "",
            "PATH",
            "check whether a login path's folder can be shared safely",
            "Tells the file system the login path is on and where it is mounted from; whether a lock holds\n"
            "against a second open of a file and, for a view of another folder (bindfs), through that folder;\n"
            "whether the kernel's change notification can be trusted or the console polls; mount options that\n"
            "break the suite (NFS nolock or local_lock=, SMB nobrl, a read-only mount); and how long a stat of\n"
            "the folder takes. One line per finding: topic, ok / warning / unsafe, what was found; the last\n"
            "line is the verdict. To try the locks it makes a small file \".custodia-probe-PID\" in the folder\n"
            "and removes it again; nothing else is changed. Exit status 1 when the folder is unsafe for the\n"
            "suite (or missing).\n",
            { { "PATH" }, {}, {} },
            Doctor,
        },
    };
}

} // namespace custodia::cli
