#pragma once

#include "cli/Arguments.h"
#include "cli/Command.h"
#include "parsers/DelimitedText.h"

#include <string>
#include <vector>

namespace custodia {
struct ImportProblem;
struct ImportLine;
struct RightName;
} // namespace custodia

namespace custodia::cli {

// The --format option of the list commands: csv unless tsv is asked for.
delimited::Format ListFormat(const ParsedArguments& arguments);

// The text of a list to import: the file, or standard input for "-". A list larger than any account
// file could come from is refused unread.
std::string ReadList(const std::string& name, CommandContext& context);

// The lines of a list as the import checks them; a line the reader could not take apart (and every
// line after it) becomes a problem of its own.
std::vector<ImportLine> ListLines(
    const std::string& text, delimited::Format format, std::vector<ImportProblem>& problems);

// Every bad line on stderr as "LIST:LINE: why", in line order, then fails: nothing was changed.
[[noreturn]] void RefuseBadLines(
    const std::string& listName, std::vector<ImportProblem> problems, CommandContext& context);

// Writes text out in large pieces, keeping what is left below the piece size.
void FlushPiece(std::string& text, CommandContext& context, bool last = false);

// The rights' names as the console's pages show them, from the word files installed beside this
// program; without them every right goes by its position.
std::vector<RightName> InstalledRightNames();

} // namespace custodia::cli
