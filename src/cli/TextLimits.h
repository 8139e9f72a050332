#pragma once

#include <cstddef>
#include <string>

namespace custodia::cli {

// The longest texts the console itself lets people enter, in bytes: each leaves room for the
// terminator of its stored field. Longer texts are refused, never cut.
namespace limits {
inline constexpr size_t kUserName = 42;
inline constexpr size_t kFullName = 50;
inline constexpr size_t kDescription = 50;
inline constexpr size_t kPassword = 50;
inline constexpr size_t kGroupName = 99;
inline constexpr size_t kDatabasePath = 128;
inline constexpr size_t kDatabaseDescription = 50;
inline constexpr size_t kLoginPath = 254;
inline constexpr size_t kOfficeNumberText = 9;
inline constexpr size_t kOfficeName = 49;
}  // namespace limits

// Refuses (as a usage error) a text longer than the limit, or one with a tab or a line end, which
// would break the one-record-per-line output that scripts read back.
void CheckText(const std::string& what, const std::string& text, size_t limit);

// As CheckText, and refuses characters outside printable ASCII: other characters may scramble to a
// zero byte, which would cut the stored password short.
void CheckPassword(const std::string& password);

}  // namespace custodia::cli
