#include "cli/Output.h"

#include "platform/CodePage.h"
#include "platform/FieldEscape.h"
#include "platform/SharedFile.h"

#include <cstdio>
#include <ostream>

namespace custodia::cli {

namespace {

constexpr int kWaitReportedAfterMilliseconds = 1000;

// Nothing to escape: printable ASCII without a backslash, as most names are.
bool IsPlain(std::string_view field)
{
    for (const char c : field)
        if (c < 0x20 || c > 0x7E || c == '\\')
            return false;
    return true;
}

void AppendEscaped(std::string& out, std::string_view field)
{
    if (IsPlain(field)) {
        out.append(field);
        return;
    }
    out += EscapeField(field);
}

} // namespace

std::string EscapeField(std::string_view field)
{
    return EscapeTsvField(field);
}

void WriteFields(std::ostream& out, const std::vector<std::string>& fields)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        AppendEscaped(line, fields[i]);
    }
    line += '\n';
    out << line;
}

void AppendFields(std::string& text, std::initializer_list<std::string_view> fields)
{
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first)
            text += '\t';
        AppendEscaped(text, field);
        first = false;
    }
    text += '\n';
}

std::string FromStored(const std::string& stored)
{
    return StoredToUtf8(stored);
}

void WriteError(std::ostream& err, const std::string& message)
{
    err << "custodiactl: " << EscapeField(message) << '\n';
}

void ReportOpenWait(std::ostream& err, const OpenAttempt& attempt)
{
    const int before = attempt.waitedMilliseconds;
    if (before < kWaitReportedAfterMilliseconds
        || before >= kWaitReportedAfterMilliseconds + SharedFile::kRetryWaitMilliseconds)
        return;
    WriteError(err, "waiting for " + attempt.fileName + ": " + DescribeOpenError(attempt.error));
    err.flush();
}

} // namespace custodia::cli
