#include "cli/ListFiles.h"

#include "cli/Output.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "store/GroupImportPlan.h"
#include "store/RightsCatalogue.h"
#include "store/UserImportPlan.h"
#include "words/WordTable.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>

namespace custodia::cli {

namespace {

// Far above a list of 65,536 users with every field full.
constexpr size_t kMaxListBytes = 64 * 1024 * 1024;
constexpr size_t kPieceSize = 64 * 1024;

std::string ReadStream(std::istream& in, const std::string& name)
{
    std::string text;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxListBytes)
            throw OperationFailed(name + ": larger than " + std::to_string(kMaxListBytes) + " bytes; not read");
    }
    if (in.bad())
        throw OperationFailed(name + ": cannot be read");
    return text;
}

} // namespace

delimited::Format ListFormat(const ParsedArguments& arguments)
{
    const std::string format = arguments.Value("--format").value_or("csv");
    if (format == "csv")
        return delimited::Format::Csv;
    if (format == "tsv")
        return delimited::Format::Tsv;
    throw UsageError("--format is csv or tsv, not '" + format + "'");
}

std::string ReadList(const std::string& name, CommandContext& context)
{
    if (name == "-")
        return ReadStream(context.in, "standard input");
    std::ifstream file(name, std::ios::binary);
    if (!file)
        throw OperationFailed(name + ": cannot be opened");
    return ReadStream(file, name);
}

std::vector<ImportLine> ListLines(
    const std::string& text, delimited::Format format, std::vector<ImportProblem>& problems)
{
    delimited::Rows rows = delimited::Parse(text, format);
    std::vector<ImportLine> lines;
    lines.reserve(rows.rows.size());
    for (delimited::Row& row : rows.rows)
        lines.push_back({ row.line, std::move(row.fields) });
    if (rows.error)
        problems.push_back({ rows.error->line, rows.error->reason + "; the lines after it were not read" });
    return lines;
}

void RefuseBadLines(const std::string& listName, std::vector<ImportProblem> problems, CommandContext& context)
{
    std::stable_sort(problems.begin(), problems.end(),
        [](const ImportProblem& a, const ImportProblem& b) { return a.line < b.line; });
    for (const ImportProblem& problem : problems)
        WriteError(context.err, listName + ":" + std::to_string(problem.line) + ": " + problem.reason);
    throw OperationFailed(std::to_string(problems.size()) + (problems.size() == 1 ? " line is" : " lines are")
        + " bad; nothing was changed");
}

void FlushPiece(std::string& text, CommandContext& context, bool last)
{
    if (!last && text.size() < kPieceSize)
        return;
    context.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    text.clear();
}

std::vector<RightName> InstalledRightNames()
{
    WordTable words(ExecutableFolder());
    words.LoadWordFiles(ConsoleWordFamilies());
    std::vector<RightName> names;
    for (const RightsPage& page : RightsPages())
        for (const RightRow& right : page.rows) {
            const std::string& text = words.GetWord(right.labelWord);
            if (text != WordTable::kMissingWord)
                names.push_back({ page.program, right.position, StoredToUtf8(text) });
        }
    return names;
}

} // namespace custodia::cli
