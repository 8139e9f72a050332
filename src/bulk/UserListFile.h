#pragma once

#include "parsers/DelimitedText.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"
#include "store/UserImportPlan.h"

#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The format a list file's name says: TSV for ".tsv" and ".tab", CSV for anything else.
delimited::Format ListFormatOfFileName(std::string_view fileName);

// The text of a list of users as custodiactl's "users export" writes it: a header line, then one line
// per user in file order; passwords are never written.
std::string UserListText(
    const std::vector<UserEntry>& users, const std::vector<GroupEntry>& groups, delimited::Format format);

// The lines of a list as the import checks them; a line that cannot be taken apart (and every line
// after it, which is not read) becomes a problem of its own.
std::vector<ImportLine> ImportLinesOf(
    std::string_view text, delimited::Format format, std::vector<ImportProblem>& problems);

// A list larger than any account file could come from is refused unread.
constexpr size_t kMaxListFileBytes = 64 * 1024 * 1024;

} // namespace custodia
