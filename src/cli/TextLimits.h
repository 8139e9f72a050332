#pragma once

#include "store/DatabaseList.h"
#include "store/GroupRecord.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/TextRules.h"
#include "store/UserRecord.h"

#include <cstddef>
#include <string>

namespace custodia::cli {

// The longest texts the console itself lets people enter, in bytes: each leaves room for the
// terminator of its stored field. Longer texts are refused, never cut.
namespace limits {
inline constexpr size_t kUserName = userrecord::kMaxUserNameLength; // 42
inline constexpr size_t kFullName = userrecord::kMaxFullNameLength; // 50
inline constexpr size_t kDescription = userrecord::kMaxDescriptionLength; // 50
inline constexpr size_t kPassword = kMaxPasswordLength; // 50
inline constexpr size_t kGroupName = grouprecord::kMaxNameLength; // 99
inline constexpr size_t kDatabasePath = databaselist::kMaxPathLength; // 128
inline constexpr size_t kDatabaseDescription = databaselist::kMaxDescriptionLength; // 50
inline constexpr size_t kLoginPath = loginpaths::kMaxPathLength; // 254
inline constexpr size_t kOfficeNumberText = officenames::kMaxNumberTextLength; // 9
inline constexpr size_t kOfficeName = officenames::kMaxNameLength; // 49
} // namespace limits

// Refuses (as a usage error) a text longer than the limit, or one with a control character (a tab or
// a line end would break the one-record-per-line output that scripts read back).
void CheckText(const std::string& what, const std::string& text, size_t limit);

// A text argument (UTF-8, as the terminal gives it) as the bytes to store in the suite's code page,
// Windows-1252. A character the code page lacks is refused, naming it; the limit counts stored bytes.
std::string StoredTextArgument(const std::string& what, const std::string& text, size_t limit);

// As CheckText, and refuses characters outside printable ASCII: other characters may scramble to a
// zero byte, which would cut the stored password short.
void CheckPassword(const std::string& password);

} // namespace custodia::cli
