#include "store/UserRecord.h"

#include "platform/Endian.h"
#include "store/FixedText.h"
#include "store/PasswordScramble.h"

#include <algorithm>

namespace custodia {

using namespace userrecord;

UserRecord UserRecord::Decode(PasswordRecordBytes record)
{
    UserRecord user;
    DecodeInto(record, user);
    return user;
}

void UserRecord::DecodeInto(PasswordRecordBytes stored, UserRecord& user)
{
    // Only a record of the older layout is copied, to be converted.
    PasswordFileRecord converted {};
    const unsigned char* record = stored.data();
    if (IsOldUserRecord(stored)) {
        std::copy(stored.begin(), stored.end(), converted.begin());
        ConvertOldUserRecord(converted);
        record = converted.data();
    }
    user.databaseMode = record[kDatabaseModeOffset];
    user.databaseMask = ReadUint32LE(record + kDatabaseMaskOffset);
    user.userName.assign(ReadFixedTextView(record + kUserNameOffset, kUserNameSize));
    user.fullName.assign(ReadFixedTextView(record + kFullNameOffset, kFullNameSize));
    user.description.assign(ReadFixedTextView(record + kDescriptionOffset, kDescriptionSize));
    user.password = UnscramblePassword(ReadFixedTextView(record + kPasswordOffset, kPasswordSize));
    user.groupNumber = record[kGroupNumberOffset];
}

PasswordFileRecord UserRecord::Encode() const
{
    PasswordFileRecord record {};
    record[passwordfile::kRecordTypeOffset] = passwordfile::kUserRecordType;
    record[kDatabaseModeOffset] = databaseMode;
    WriteUint32LE(record.data() + kDatabaseMaskOffset, databaseMask);
    WriteFixedText(record.data() + kUserNameOffset, kUserNameSize, userName);
    WriteFixedText(record.data() + kFullNameOffset, kFullNameSize, fullName);
    WriteFixedText(record.data() + kDescriptionOffset, kDescriptionSize, description);
    // Cut the plain text, not the scrambled one: scrambling interleaves both ends of the password. Cut
    // it by length only: a stored byte can unscramble to a zero character (a damaged file, another
    // program's), and a user saved unchanged must keep the stored password, not one cut short there.
    const std::string_view plain = std::string_view(password).substr(0, kPasswordSize - 1);
    WriteFixedText(record.data() + kPasswordOffset, kPasswordSize, ScramblePassword(plain));
    record[kGroupNumberOffset] = groupNumber;
    return record;
}

bool IsOldUserRecord(PasswordRecordBytes record)
{
    return RecordTypeOf(record) == passwordfile::kUserRecordType && record[kLayoutMarkerOffset] != 0;
}

void ConvertOldUserRecord(PasswordFileRecord& record)
{
    if (!IsOldUserRecord(record))
        return;
    const auto text = [&record](size_t offset) { return ReadFixedText(record.data() + offset, kOldTextSize); };
    PasswordFileRecord converted {};
    WriteFixedText(converted.data() + kUserNameOffset, kUserNameSize, text(kOldUserNameOffset));
    WriteFixedText(converted.data() + kFullNameOffset, kFullNameSize, text(kOldFullNameOffset));
    WriteFixedText(converted.data() + kDescriptionOffset, kDescriptionSize, text(kOldDescriptionOffset));
    WriteFixedText(converted.data() + kPasswordOffset, kPasswordSize, text(kOldPasswordOffset));
    converted[kGroupNumberOffset] = record[kOldGroupNumberOffset];
    record = converted;
}

} // namespace custodia
