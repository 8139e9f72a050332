#pragma once

#include "store/PasswordFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace custodia {

// A user in "tessel.pwd" (record type 0), current layout.
namespace userrecord {
inline constexpr size_t kLayoutMarkerOffset = 1;
inline constexpr size_t kDatabaseModeOffset = 2;
inline constexpr size_t kDatabaseMaskOffset = 4;
inline constexpr size_t kUserNameOffset = 8;
inline constexpr size_t kUserNameSize = 43;
inline constexpr size_t kFullNameOffset = 51;
inline constexpr size_t kFullNameSize = 51;
inline constexpr size_t kDescriptionOffset = 102;
inline constexpr size_t kDescriptionSize = 51;
inline constexpr size_t kPasswordOffset = 153;
inline constexpr size_t kPasswordSize = 51;
inline constexpr size_t kGroupNumberOffset = 204;

inline constexpr size_t kMaxUserNameLength = kUserNameSize - 1; // 42
inline constexpr size_t kMaxFullNameLength = kFullNameSize - 1; // 50
inline constexpr size_t kMaxDescriptionLength = kDescriptionSize - 1; // 50

// The older layout, recognised by a non-zero byte 1 (which is the first character of its user name).
inline constexpr size_t kOldUserNameOffset = 1;
inline constexpr size_t kOldFullNameOffset = 52;
inline constexpr size_t kOldDescriptionOffset = 103;
inline constexpr size_t kOldPasswordOffset = 154;
inline constexpr size_t kOldTextSize = 51;
inline constexpr size_t kOldGroupNumberOffset = 205;
} // namespace userrecord

// A user as the console handles it: the password in plain text. Only the stored bytes hold it
// scrambled.
struct UserRecord {
    uint8_t databaseMode = 0; // 0: the current database path; otherwise the slots of databaseMask
    uint32_t databaseMask = 0; // bit i: database list slot i
    std::string userName;
    std::string fullName;
    std::string description;
    std::string password;
    uint8_t groupNumber = 0;

    // Reads a user record of either layout; the password comes back unscrambled.
    static UserRecord Decode(PasswordRecordBytes record);
    // The same into an existing user, whose texts keep their storage: for reading thousands at once.
    static void DecodeInto(PasswordRecordBytes record, UserRecord& user);
    // Builds a current-layout user record from zero bytes; every text is cut to its field.
    PasswordFileRecord Encode() const;

    bool operator==(const UserRecord&) const = default;
};

// True for a user record in the older layout.
bool IsOldUserRecord(PasswordRecordBytes record);

// Rewrites an older-layout user record in the current layout, in place; any other record is left as it
// is. The old user name field is wider than the new one, so a longer name keeps its first 42 characters.
void ConvertOldUserRecord(PasswordFileRecord& record);

} // namespace custodia
