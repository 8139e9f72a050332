#include "platform/Endian.h"
#include "store/FixedText.h"
#include "store/PasswordFile.h"
#include "store/PasswordScramble.h"
#include "store/UserAccessRecord.h"
#include "store/UserRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace custodia {
namespace {

std::string FieldBytes(const PasswordFileRecord& record, size_t offset, size_t size)
{
    return std::string(reinterpret_cast<const char*>(record.data() + offset), size);
}

std::string ZeroPadded(const std::string& text, size_t size)
{
    std::string padded = text;
    padded.resize(size, '\0');
    return padded;
}

TEST(PasswordFileHeaderTest, EncodesTitleZeroFillAndCount)
{
    PasswordFileHeader header;
    header.recordCount = 0x01020304;
    const PasswordFileHeaderBytes bytes = header.Encode();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 50), ZeroPadded("Quarva For Windows", 50));
    EXPECT_EQ(ReadUint32LE(bytes.data() + 50), 0x01020304u);
    const PasswordFileHeader decoded = PasswordFileHeader::Decode(bytes);
    EXPECT_TRUE(decoded.HasValidTitle());
    EXPECT_EQ(decoded.recordCount, 0x01020304u);
}

TEST(PasswordFileHeaderTest, TitleComparesUpToTheTerminatorAndByCase)
{
    PasswordFileHeaderBytes bytes = PasswordFileHeader {}.Encode();
    bytes[40] = 'x'; // after the terminator: does not count
    EXPECT_TRUE(PasswordFileHeader::Decode(bytes).HasValidTitle());
    bytes[0] = 'q';
    EXPECT_FALSE(PasswordFileHeader::Decode(bytes).HasValidTitle());
    bytes.fill('Q'); // no terminator at all: read within the field, and wrong
    EXPECT_FALSE(PasswordFileHeader::Decode(bytes).HasValidTitle());
}

TEST(ScramblePasswordTest, KnownValuesAndRoundTrip)
{
    EXPECT_EQ(ScramblePassword("abc"), "\xE2\xDF\xDF");
    EXPECT_EQ(UnscramblePassword("\xE2\xDF\xDF"), "abc");
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
    // Stored text ends at its first zero byte.
    EXPECT_EQ(UnscramblePassword(std::string("\xE2\0\xDF", 3)), "c");

    // Every printable character at every position of a 50-character password survives storing.
    for (char c = 32; c <= 126; ++c) {
        const std::string password(kMaxPasswordLength, c);
        const std::string scrambled = ScramblePassword(password);
        ASSERT_EQ(scrambled.size(), password.size());
        EXPECT_EQ(scrambled.find('\0'), std::string::npos) << c;
        EXPECT_EQ(UnscramblePassword(scrambled), password);
    }
    EXPECT_EQ(UnscramblePassword(ScramblePassword("Zy9 ~!x")), "Zy9 ~!x");
}

TEST(ScramblePasswordTest, AcceptsOnlyPasswordsThatSurviveStoring)
{
    EXPECT_TRUE(IsAcceptablePassword(""));
    EXPECT_TRUE(IsAcceptablePassword(std::string(50, '~')));
    EXPECT_FALSE(IsAcceptablePassword(std::string(51, 'a')));
    EXPECT_FALSE(IsAcceptablePassword("caf\xC3\xA9"));
    EXPECT_FALSE(IsAcceptablePassword("tab\there"));
    // 0x81 at position 0 scrambles to a zero byte and would cut the stored password.
    EXPECT_EQ(ScramblePassword("\x81")[0], '\0');
    EXPECT_FALSE(IsAcceptablePassword("\x81"));
}

TEST(UserRecordTest, EncodesEveryFieldAtItsOffset)
{
    UserRecord user;
    user.databaseMode = 1;
    user.databaseMask = 0x00000205;
    user.userName = "anna";
    user.fullName = "Anna Berg";
    user.description = "night shift";
    user.password = "abc";
    user.groupNumber = 7;
    const PasswordFileRecord record = user.Encode();

    EXPECT_EQ(record[0], 0);
    EXPECT_EQ(record[1], 0);
    EXPECT_EQ(record[2], 1);
    EXPECT_EQ(record[3], 0);
    EXPECT_EQ(ReadUint32LE(record.data() + 4), 0x205u);
    EXPECT_EQ(FieldBytes(record, 8, 43), ZeroPadded("anna", 43));
    EXPECT_EQ(FieldBytes(record, 51, 51), ZeroPadded("Anna Berg", 51));
    EXPECT_EQ(FieldBytes(record, 102, 51), ZeroPadded("night shift", 51));
    EXPECT_EQ(FieldBytes(record, 153, 51), ZeroPadded("\xE2\xDF\xDF", 51));
    EXPECT_EQ(record[204], 7);
    EXPECT_EQ(record[205], 0);
    EXPECT_EQ(UserRecord::Decode(record), user);
}

TEST(UserRecordTest, OverlongTextsStayInsideTheirFields)
{
    UserRecord user;
    user.userName = std::string(100, 'N');
    user.fullName = std::string(100, 'F');
    user.description = std::string(100, 'D');
    user.password = std::string(30, 'a') + std::string(30, 'b');
    user.groupNumber = 9;
    const PasswordFileRecord record = user.Encode();

    EXPECT_EQ(FieldBytes(record, 8, 43), std::string(42, 'N') + '\0');
    EXPECT_EQ(FieldBytes(record, 51, 51), std::string(50, 'F') + '\0');
    EXPECT_EQ(FieldBytes(record, 102, 51), std::string(50, 'D') + '\0');
    EXPECT_EQ(record[203], 0);
    EXPECT_EQ(record[204], 9);
    const UserRecord decoded = UserRecord::Decode(record);
    // The password is cut before scrambling, so what is stored is its first 50 characters.
    EXPECT_EQ(decoded.password, std::string(30, 'a') + std::string(20, 'b'));
    EXPECT_EQ(decoded.userName, std::string(42, 'N'));
}

TEST(UserRecordTest, FieldsWithoutTerminatorAreReadWithinTheField)
{
    PasswordFileRecord record {};
    std::fill(record.begin() + 8, record.end(), 'x');
    record[1] = 0;
    const UserRecord user = UserRecord::Decode(record);
    EXPECT_EQ(user.userName, std::string(42, 'x'));
    EXPECT_EQ(user.fullName, std::string(50, 'x'));
    EXPECT_EQ(user.description, std::string(50, 'x'));
    EXPECT_EQ(user.password.size(), 50u);
}

// A stored byte can unscramble to a zero character: '~' at position 1 gives the password's first. The
// user saved again (for a change of group, say) keeps the stored password; cut at that character, it
// would have become empty.
TEST(UserRecordTest, SavingAUserUnchangedKeepsItsStoredPassword)
{
    UserRecord user;
    user.userName = "anna";
    user.password = "secret";
    PasswordFileRecord record = user.Encode();
    record[userrecord::kPasswordOffset + 1] = '~';
    const UserRecord read = UserRecord::Decode(record);
    ASSERT_EQ(read.password.size(), 6u);
    EXPECT_EQ(read.password[0], '\0');

    const PasswordFileRecord saved = read.Encode();
    EXPECT_EQ(FieldBytes(saved, userrecord::kPasswordOffset, userrecord::kPasswordSize),
        FieldBytes(record, userrecord::kPasswordOffset, userrecord::kPasswordSize));
    EXPECT_EQ(UserRecord::Decode(saved), read);
}

PasswordFileRecord OldLayoutRecord(const std::string& name, const std::string& fullName, const std::string& description,
    const std::string& scrambled, uint8_t group)
{
    PasswordFileRecord record {};
    std::memcpy(record.data() + 1, name.data(), std::min<size_t>(name.size(), 51));
    std::memcpy(record.data() + 52, fullName.data(), std::min<size_t>(fullName.size(), 51));
    std::memcpy(record.data() + 103, description.data(), std::min<size_t>(description.size(), 51));
    std::memcpy(record.data() + 154, scrambled.data(), std::min<size_t>(scrambled.size(), 51));
    record[205] = group;
    return record;
}

TEST(ConvertOldUserRecordTest, MovesFieldsToTheCurrentLayout)
{
    const std::string longName(45, 'L');
    PasswordFileRecord record = OldLayoutRecord(longName, "Old Timer", "from before", ScramblePassword("pw"), 12);
    ASSERT_TRUE(IsOldUserRecord(record));
    ConvertOldUserRecord(record);

    EXPECT_FALSE(IsOldUserRecord(record));
    EXPECT_EQ(FieldBytes(record, 0, 8), std::string(8, '\0'));
    EXPECT_EQ(FieldBytes(record, 8, 43), std::string(42, 'L') + '\0');
    EXPECT_EQ(FieldBytes(record, 51, 51), ZeroPadded("Old Timer", 51));
    EXPECT_EQ(FieldBytes(record, 102, 51), ZeroPadded("from before", 51));
    EXPECT_EQ(FieldBytes(record, 153, 51), ZeroPadded(ScramblePassword("pw"), 51));
    EXPECT_EQ(record[204], 12);
    EXPECT_EQ(record[205], 0);
}

TEST(ConvertOldUserRecordTest, DecodeReadsEitherLayoutAndLeavesOtherRecordsAlone)
{
    const PasswordFileRecord old = OldLayoutRecord(std::string(45, 'L'), "", "", ScramblePassword("pw"), 3);
    const UserRecord user = UserRecord::Decode(old);
    EXPECT_EQ(user.userName, std::string(42, 'L'));
    EXPECT_EQ(user.password, "pw");
    EXPECT_EQ(user.groupNumber, 3);

    // Unterminated old fields are cut to the new fields, never copied past them.
    PasswordFileRecord full {};
    std::fill(full.begin() + 1, full.end(), 'z');
    ConvertOldUserRecord(full);
    EXPECT_EQ(full[50], 0);
    EXPECT_EQ(full[101], 0);
    EXPECT_EQ(full[152], 0);
    EXPECT_EQ(full[203], 0);
    EXPECT_EQ(full[204], 'z');

    PasswordFileRecord access = UserAccessRecord { "anna", {} }.Encode();
    access[1] = 5; // type 2 is never an old user record
    const PasswordFileRecord before = access;
    ConvertOldUserRecord(access);
    EXPECT_EQ(access, before);
}

TEST(UserAccessRecordTest, LayoutAndOfficeBits)
{
    UserAccessRecord access;
    access.userName = "anna";
    access.SetOfficeSelectionEnabled(0, true);
    access.SetOfficeAllowed(0, 1, true);
    access.SetOfficeAllowed(0, 100, true);
    access.SetOfficeSelectionEnabled(10, true);
    access.SetOfficeAllowed(10, 9, true);
    // Outside the slots and offices: ignored, never written past the selection.
    access.SetOfficeAllowed(11, 1, true);
    access.SetOfficeAllowed(0, 101, true);
    access.SetOfficeAllowed(-1, 0, true);

    const PasswordFileRecord record = access.Encode();
    EXPECT_EQ(record[0], 2);
    EXPECT_EQ(FieldBytes(record, 1, 6), std::string(6, '\0'));
    EXPECT_EQ(FieldBytes(record, 7, 43), ZeroPadded("anna", 43));
    EXPECT_EQ(record[50], 0x03); // slot 0: enabled, office 1
    EXPECT_EQ(record[50 + 12], 0x10); // slot 0: office 100 is byte 12, bit 4
    EXPECT_EQ(record[50 + 130], 0x01); // slot 10 enabled
    EXPECT_EQ(record[50 + 131], 0x02); // slot 10: office 9 is byte 1, bit 1
    EXPECT_EQ(FieldBytes(record, 193, 13), std::string(13, '\0'));
    EXPECT_EQ(std::count_if(record.begin() + 50, record.begin() + 193, [](unsigned char b) { return b != 0; }), 4);

    const UserAccessRecord decoded = UserAccessRecord::Decode(record);
    EXPECT_EQ(decoded, access);
    EXPECT_TRUE(decoded.IsOfficeAllowed(0, 100));
    EXPECT_FALSE(decoded.IsOfficeAllowed(0, 99));
    EXPECT_FALSE(decoded.IsOfficeAllowed(11, 1));
    EXPECT_TRUE(decoded.IsOfficeSelectionEnabled(10));
    EXPECT_FALSE(decoded.IsOfficeSelectionEnabled(1));
}

TEST(FixedTextTest, CopiesAreBoundedAndTerminated)
{
    unsigned char field[6];
    std::memset(field, 0xAA, sizeof field);
    WriteFixedText(field, 5, "abcdefgh");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 5), std::string("abcd\0", 5));
    EXPECT_EQ(field[5], 0xAA);
    WriteFixedText(field, 5, std::string("a\0bc", 4));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 5), std::string("a\0\0\0\0", 5));
    EXPECT_EQ(ReadFixedText(field, 5), "a");
    EXPECT_EQ(FitFixedText("abcdefgh", 5), "abcd");
    EXPECT_EQ(FitFixedText("abc", 0), "");
}

} // namespace
} // namespace custodia
