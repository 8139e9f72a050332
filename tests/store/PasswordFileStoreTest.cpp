#include "store/PasswordFileStore.h"
#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "store/FileReadResult.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordScramble.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

constexpr size_t kHeader = 54;
constexpr size_t kRecord = 206;

uint32_t RecordCount(const Bytes& file)
{
    return ReadUint32LE(file.data() + 50);
}

uint8_t TypeAt(const Bytes& file, size_t index)
{
    return file.at(kHeader + index * kRecord);
}

std::string NameAt(const Bytes& file, size_t index)
{
    const size_t offset = kHeader + index * kRecord + (TypeAt(file, index) == 2 ? 7 : 8);
    return reinterpret_cast<const char*>(file.data() + offset);
}

Bytes ToBytes(const PasswordFileRecord& record)
{
    return Bytes(record.begin(), record.end());
}

Bytes HeaderBytes(uint32_t count, const std::string& title = passwordfile::kTitle)
{
    PasswordFileHeader header;
    header.title = title;
    header.recordCount = count;
    const PasswordFileHeaderBytes bytes = header.Encode();
    return Bytes(bytes.begin(), bytes.end());
}

Bytes Prefix(const Bytes& bytes, size_t length)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

void Append(Bytes& file, const Bytes& more)
{
    file.insert(file.end(), more.begin(), more.end());
}

// Each test works in a fresh folder that is also the current directory, so the start-up check and the
// failed-open log stay inside it; waits of the open retries are skipped.
class PasswordFileStoreTest : public ::testing::Test {
protected:
    PasswordFileStoreTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    const std::string& LoginPath() const { return m_dir.path(); }
    std::string PasswordPath() const { return m_dir.file("tessel.pwd"); }
    Bytes FileBytes() const { return ReadBytes(PasswordPath()); }

    // Stores the user as given, in place of any of that name.
    Status Save(const UserEntry& entry) const
    {
        return m_store.SaveUser(
            entry.user.userName, SaveMode::CreateOrReplace, [&](UserEntry& stored) { stored = entry; });
    }
    Status Save(const std::string& name, const std::string& fullName = "Full", const std::string& description = "Desc",
        const std::string& password = "secret", uint8_t group = 1, const UserAccessRecord& access = {}) const
    {
        return Save(UserEntry { UserRecord { 0, 0, name, fullName, description, password, group }, access });
    }
    // The number of records freed; nothing when the file could not be used.
    std::optional<int> Delete(std::string_view name, std::string_view fullName, std::string_view description) const
    {
        const Result<int> freed = m_store.DeleteUser(name, fullName, description);
        return freed ? std::optional<int>(*freed) : std::nullopt;
    }

    // Holds "tessel.pwd" the way another program's writer does.
    std::unique_ptr<File> HoldExclusively() const
    {
        auto other = std::make_unique<File>();
        EXPECT_EQ(other->OpenOnce(PasswordPath(), openflags::kReadWrite | openflags::kShareExclusive), 0);
        return other;
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    PasswordFileStore m_store { NativePath(m_dir.path()) };
};

TEST_F(PasswordFileStoreTest, CreatePasswordFileWritesAHeaderOnlyOnce)
{
    ASSERT_TRUE(m_store.Create());
    EXPECT_EQ(FileBytes(), HeaderBytes(0));
    EXPECT_FALSE(PasswordFileStore::IsLogonRequired());

    ASSERT_TRUE(Save("anna"));
    const Bytes withUser = FileBytes();
    EXPECT_TRUE(m_store.Create());
    EXPECT_EQ(FileBytes(), withUser);
    EXPECT_TRUE(PasswordFileStore::IsLogonRequired());
}

TEST_F(PasswordFileStoreTest, CreatePasswordFileReportsAFolderThatCannotHoldIt)
{
    EXPECT_FALSE(PasswordFileStore(NativePath(m_dir.file("no/such/folder"))).Create());
}

TEST_F(PasswordFileStoreTest, IsLogonRequiredUnlessAnEmptySoundFileIsHere)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        bool required;
    };
    const std::string path = PasswordPath();
    const Case cases[] = {
        { "no file", [] {}, true },
        { "empty file", [&] { WriteBytes(path, HeaderBytes(0)); }, false },
        { "record in use", [&] { WriteBytes(path, HeaderBytes(1)); }, true },
        { "wrong title", [&] { WriteBytes(path, HeaderBytes(0, "Quarva for Windows")); }, true },
        { "53-byte header", [&] { WriteBytes(path, Prefix(HeaderBytes(0), 53)); }, true },
        // Only the count decides, not what the records are.
        { "count zero, records present",
            [&] {
                Bytes file = HeaderBytes(0);
                Append(file, ToBytes(UserRecord {}.Encode()));
                WriteBytes(path, file);
            },
            false },
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        c.prepare();
        EXPECT_EQ(PasswordFileStore::IsLogonRequired(), c.required) << c.what;
    }

    WriteBytes(path, HeaderBytes(0));
    const auto other = HoldExclusively();
    EXPECT_TRUE(PasswordFileStore::IsLogonRequired()) << "held by a writer";
}

TEST_F(PasswordFileStoreTest, FirstUserMakesA466ByteFile)
{
    UserAccessRecord access;
    access.userName = "ignored";
    access.SetOfficeSelectionEnabled(3, true);
    access.SetOfficeAllowed(3, 42, true);
    ASSERT_TRUE(Save(UserEntry { UserRecord { 1, 0x3FF, "anna", "Anna Berg", "night", "abc", 4 }, access }));

    const Bytes file = FileBytes();
    ASSERT_EQ(file.size(), 466u);
    EXPECT_EQ(Prefix(file, 50), Prefix(HeaderBytes(0), 50));
    EXPECT_EQ(RecordCount(file), 2u);
    EXPECT_EQ(TypeAt(file, 0), 0);
    EXPECT_EQ(NameAt(file, 0), "anna");
    EXPECT_EQ(std::memcmp(file.data() + 54 + 153, "\xE2\xDF\xDF\0", 4), 0);
    EXPECT_EQ(file[54 + 204], 4);
    EXPECT_EQ(TypeAt(file, 1), 2);
    EXPECT_EQ(NameAt(file, 1), "anna");

    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.password, "abc");
    EXPECT_EQ(users[0].user.databaseMode, 1);
    EXPECT_EQ(users[0].user.databaseMask, 0x3FFu);
    EXPECT_EQ(users[0].access.userName, "anna");
    EXPECT_TRUE(users[0].access.IsOfficeAllowed(3, 42));
}

TEST_F(PasswordFileStoreTest, SavingAgainReplacesInPlace)
{
    ASSERT_TRUE(Save("anna"));
    ASSERT_TRUE(Save("bert"));
    const Bytes before = FileBytes();
    UserAccessRecord access;
    access.SetOfficeSelectionEnabled(10, true);
    ASSERT_TRUE(Save("anna", "Anna B.", "days", "new", 9, access));

    const Bytes after = FileBytes();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(RecordCount(after), 4u);
    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.fullName, "Anna B.");
    EXPECT_EQ(users[0].user.password, "new");
    EXPECT_EQ(users[0].user.groupNumber, 9);
    EXPECT_TRUE(users[0].access.IsOfficeSelectionEnabled(10));
    EXPECT_EQ(users[1].user.userName, "bert");
}

TEST_F(PasswordFileStoreTest, DeletedSlotsAreReusedAccessRecordFirst)
{
    ASSERT_TRUE(Save("anna", "Anna", "first"));
    EXPECT_EQ(Delete("anna", "Anna", "first"), 2);
    Bytes file = FileBytes();
    ASSERT_EQ(file.size(), 466u);
    EXPECT_EQ(TypeAt(file, 0), 1);
    EXPECT_EQ(TypeAt(file, 1), 1);
    EXPECT_EQ(RecordCount(file), 0u);
    EXPECT_FALSE(PasswordFileStore::IsLogonRequired());

    UserAccessRecord access;
    access.SetOfficeAllowed(2, 7, true);
    ASSERT_TRUE(Save("carl", "Carl", "", "pw", 2, access));
    file = FileBytes();
    EXPECT_EQ(file.size(), 466u);
    EXPECT_EQ(RecordCount(file), 2u);
    // The last free slot is taken each time: the user lands in the later one, its access record in the
    // earlier one.
    EXPECT_EQ(TypeAt(file, 0), 2);
    EXPECT_EQ(TypeAt(file, 1), 0);
    EXPECT_EQ(NameAt(file, 1), "carl");

    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].access.userName, "carl");
    EXPECT_TRUE(users[0].access.IsOfficeAllowed(2, 7));
    const FoundUser found = m_store.FindUser("carl");
    EXPECT_EQ(found.status, kUserFound);
    EXPECT_TRUE(found.entry.access.IsOfficeAllowed(2, 7));
}

TEST_F(PasswordFileStoreTest, FindUserStatusCodes)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* name;
        FindUserStatus expected;
    };
    const std::string path = PasswordPath();
    const auto withAnna = [this] { ASSERT_TRUE(Save("Anna")); };
    const Case cases[] = {
        { "found", withAnna, "Anna", kUserFound },
        { "name differs in case", withAnna, "anna", kNoSuchUser },
        { "name is a prefix", withAnna, "Ann", kNoSuchUser },
        { "no users", [&] { WriteBytes(path, HeaderBytes(0)); }, "Anna", kNoSuchUser },
        { "no file", [] {}, "Anna", kNoPasswordFile },
        { "other title", [&] { WriteBytes(path, HeaderBytes(0, "Quarva For Windows 2")); }, "Anna",
            kPasswordFileWrongTitle },
        { "53-byte header", [&] { WriteBytes(path, Prefix(HeaderBytes(0), 53)); }, "Anna", kPasswordFileHeaderShort },
        { "empty file", [&] { WriteBytes(path, {}); }, "Anna", kPasswordFileHeaderShort },
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        c.prepare();
        const FoundUser found = m_store.FindUser(c.name);
        EXPECT_EQ(found.status, c.expected) << c.what;
        EXPECT_EQ(found.entry.access.userName, c.expected == kUserFound ? c.name : "") << c.what;
    }
}

TEST_F(PasswordFileStoreTest, FindUserGives254WhenTheFileStaysHeld)
{
    ASSERT_TRUE(Save("anna"));
    const auto other = HoldExclusively();
    EXPECT_EQ(m_store.FindUser("anna").status, kPasswordFileUnreadable);
    EXPECT_NE(test::ReadText("FileErrors.txt").find("(tries:60 cause:11)"), std::string::npos);
}

// An empty list must never stand for a file that could not be used: callers report those.
TEST_F(PasswordFileStoreTest, LoadUsersTellsNoUsersFromAFileItCannotUse)
{
    // How the load went, in the readers' words.
    const auto load = [this] {
        const Result<std::vector<UserEntry>> users = m_store.LoadUsers();
        return users ? FileReadResult {} : ReadResultOf(users.Error());
    };
    EXPECT_EQ(load().status, FileReadStatus::Missing);

    WriteBytes(PasswordPath(), HeaderBytes(0));
    const Result<std::vector<UserEntry>> none = m_store.LoadUsers();
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());

    WriteBytes(PasswordPath(), Prefix(HeaderBytes(0), 20));
    EXPECT_EQ(load().status, FileReadStatus::Damaged);
    EXPECT_EQ(load().problem, "header is 20 bytes, 54 expected");
    WriteBytes(PasswordPath(), HeaderBytes(0, "Another Title"));
    EXPECT_EQ(load().status, FileReadStatus::Damaged);

    std::filesystem::remove(PasswordPath());
    ASSERT_TRUE(Save("anna"));
    const auto other = HoldExclusively();
    EXPECT_EQ(load().status, FileReadStatus::Unopenable);
}

TEST_F(PasswordFileStoreTest, FindUserDeliversTheLastRecordOfEachKind)
{
    Bytes file = HeaderBytes(4);
    UserRecord first { 0, 0, "anna", "First", "", "one", 1 };
    UserRecord second { 0, 0, "anna", "Second", "", "two", 2 };
    UserAccessRecord early { "anna", {} };
    UserAccessRecord late { "anna", {} };
    late.SetOfficeAllowed(0, 5, true);
    Append(file, ToBytes(early.Encode()));
    Append(file, ToBytes(first.Encode()));
    Append(file, ToBytes(late.Encode()));
    Append(file, ToBytes(second.Encode()));
    WriteBytes(PasswordPath(), file);

    const FoundUser found = m_store.FindUser("anna");
    ASSERT_EQ(found.status, kUserFound);
    EXPECT_EQ(found.entry.user, second);
    EXPECT_EQ(found.entry.access, late);

    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].access, late);
    EXPECT_EQ(users[1].access, late);
}

Bytes OldLayoutUser(const std::string& name, const std::string& fullName, const std::string& password, uint8_t group)
{
    Bytes record(kRecord, 0);
    std::memcpy(record.data() + 1, name.data(), name.size());
    std::memcpy(record.data() + 52, fullName.data(), fullName.size());
    const std::string scrambled = ScramblePassword(password);
    std::memcpy(record.data() + 154, scrambled.data(), scrambled.size());
    record[205] = group;
    return record;
}

TEST_F(PasswordFileStoreTest, OldLayoutRecordsAreReadAndRewrittenInTheCurrentLayout)
{
    const std::string longName(45, 'o');
    Bytes file = HeaderBytes(2);
    Append(file, OldLayoutUser(longName, "Old Timer", "pw", 3));
    Append(file, OldLayoutUser("olga", "Olga", "x", 4));
    WriteBytes(PasswordPath(), file);

    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.userName, std::string(42, 'o'));
    EXPECT_EQ(users[0].user.fullName, "Old Timer");
    EXPECT_EQ(users[0].user.password, "pw");
    EXPECT_EQ(users[0].user.groupNumber, 3);
    EXPECT_EQ(FileBytes(), file) << "reading never rewrites";

    EXPECT_EQ(m_store.FindUser(std::string(42, 'o')).status, kUserFound);
    EXPECT_EQ(m_store.FindUser(longName).status, kNoSuchUser);

    // Saving "olga" replaces her old record in place and adds her access record at the end.
    ASSERT_TRUE(Save("olga", "Olga", "", "y", 4));
    const Bytes saved = FileBytes();
    ASSERT_EQ(saved.size(), kHeader + 3 * kRecord);
    EXPECT_EQ(RecordCount(saved), 3u);
    EXPECT_EQ(saved[kHeader + kRecord + 1], 0) << "current layout";
    EXPECT_EQ(NameAt(saved, 1), "olga");
    EXPECT_EQ(TypeAt(saved, 2), 2);

    // Deleting the old user frees it in the current layout.
    EXPECT_EQ(Delete(std::string(42, 'o'), "Old Timer", ""), 1);
    const Bytes deleted = FileBytes();
    EXPECT_EQ(TypeAt(deleted, 0), 1);
    EXPECT_EQ(deleted[kHeader + 1], 0);
    EXPECT_EQ(reinterpret_cast<const char*>(deleted.data() + kHeader + 8), std::string(42, 'o'));
    EXPECT_EQ(RecordCount(deleted), 2u);
}

TEST_F(PasswordFileStoreTest, SaveUserRefusesAFileThatIsNotAPasswordFile)
{
    struct Case {
        const char* what;
        Bytes contents;
    };
    Bytes wrongTitle = HeaderBytes(1, "Somebody Else");
    Append(wrongTitle, ToBytes(UserRecord { 0, 0, "anna", "", "", "", 0 }.Encode()));
    const Case cases[] = {
        { "wrong title", wrongTitle },
        { "53-byte header", Prefix(HeaderBytes(0), 53) },
        { "1-byte header", Prefix(HeaderBytes(0), 1) },
    };
    for (const Case& c : cases) {
        WriteBytes(PasswordPath(), c.contents);
        EXPECT_FALSE(Save("bert")) << c.what;
        EXPECT_EQ(FileBytes(), c.contents) << c.what;
        EXPECT_EQ(Delete("anna", "", ""), std::nullopt) << c.what;
        EXPECT_EQ(FileBytes(), c.contents) << c.what;
    }
}

TEST_F(PasswordFileStoreTest, AHeldFileIsNeverCreatedAnew)
{
    ASSERT_TRUE(Save("anna"));
    const Bytes before = FileBytes();
    {
        const auto other = HoldExclusively();
        EXPECT_FALSE(Save("bert"));
        EXPECT_EQ(Delete("anna", "Full", "Desc"), std::nullopt);
    }
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(Save("bert")) << "once released";
}

TEST_F(PasswordFileStoreTest, SaveUserCutsTextsToTheirFields)
{
    const std::string longName(60, 'n');
    ASSERT_TRUE(Save(longName, std::string(80, 'f'), std::string(80, 'd'), std::string(70, 'p')));
    // Saving the same long name again finds the stored, cut name: no second user.
    ASSERT_TRUE(Save(longName, "short", std::string(80, 'd'), std::string(70, 'p')));
    const Bytes file = FileBytes();
    ASSERT_EQ(file.size(), 466u);

    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.userName, std::string(42, 'n'));
    EXPECT_EQ(users[0].user.fullName, "short");
    EXPECT_EQ(users[0].user.password, std::string(50, 'p'));
    EXPECT_EQ(users[0].access.userName, std::string(42, 'n'));
    EXPECT_EQ(Delete(longName, "short", std::string(80, 'd')), 2);
}

TEST_F(PasswordFileStoreTest, DeleteUserNeedsAllThreeTextsAndKeepsTheAccessOfAUserThatStays)
{
    UserAccessRecord access;
    access.SetOfficeAllowed(1, 1, true);
    ASSERT_TRUE(Save("anna", "Anna", "A", "pw", 1, access));
    ASSERT_TRUE(Save("bert", "Bert", "B"));
    const Bytes before = FileBytes();

    EXPECT_EQ(Delete("anna", "Anna", "other"), 0);
    EXPECT_EQ(Delete("anna", "anna", "A"), 0);
    EXPECT_EQ(Delete("nobody", "", ""), 0);
    EXPECT_EQ(FileBytes(), before);

    EXPECT_EQ(Delete("anna", "Anna", "A"), 2);
    const std::vector<UserEntry> users = *m_store.LoadUsers();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.userName, "bert");
    EXPECT_EQ(RecordCount(FileBytes()), 2u);
}

TEST_F(PasswordFileStoreTest, DeleteUserFreesAnAccessRecordLeftWithoutItsUser)
{
    Bytes file = HeaderBytes(1);
    Append(file, ToBytes(UserAccessRecord { "gone", {} }.Encode()));
    WriteBytes(PasswordPath(), file);
    EXPECT_EQ(Delete("gone", "", ""), 1);
    EXPECT_EQ(TypeAt(FileBytes(), 0), 1);
    EXPECT_EQ(RecordCount(FileBytes()), 0u);
}

TEST_F(PasswordFileStoreTest, ACountAlreadyAtZeroDoesNotWrap)
{
    Bytes file = HeaderBytes(0);
    Append(file, ToBytes(UserRecord { 0, 0, "anna", "", "", "", 0 }.Encode()));
    WriteBytes(PasswordPath(), file);
    EXPECT_EQ(Delete("anna", "", ""), 1);
    EXPECT_EQ(RecordCount(FileBytes()), 0u);
}

TEST_F(PasswordFileStoreTest, ATornLastRecordIsWrittenOverSoReadersSeeTheNewUser)
{
    ASSERT_TRUE(Save("anna"));
    Bytes file = FileBytes();
    Append(file, Bytes(100, 0x55));
    WriteBytes(PasswordPath(), file);

    EXPECT_EQ(m_store.LoadUsers()->size(), 1u);
    ASSERT_TRUE(Save("bert"));
    const Bytes saved = FileBytes();
    EXPECT_EQ(saved.size(), kHeader + 4 * kRecord);
    EXPECT_EQ(NameAt(saved, 2), "bert");
    const FoundUser found = m_store.FindUser("bert");
    EXPECT_EQ(found.status, kUserFound);
    EXPECT_EQ(found.entry.access.userName, "bert");
}

// Every prefix of a good file, as a writer on another machine may leave it: no reader or writer may
// read past what is there, and a cut header is never written into.
TEST_F(PasswordFileStoreTest, TruncatedFilesAreHandledAtEveryLength)
{
    ASSERT_TRUE(Save("anna"));
    ASSERT_TRUE(Save("bert"));
    const Bytes good = FileBytes();
    for (size_t length = 0; length < good.size(); ++length) {
        const Bytes cut = Prefix(good, length);
        WriteBytes(PasswordPath(), cut);
        const size_t whole = length < kHeader ? 0 : (length - kHeader) / kRecord;
        const Result<std::vector<UserEntry>> users = m_store.LoadUsers();
        ASSERT_EQ(users.HasValue(), length >= kHeader) << length;
        if (users)
            EXPECT_EQ(users->size(), whole >= 3 ? 2u : (whole >= 1 ? 1u : 0u)) << length;
        const FindUserStatus found = m_store.FindUser("bert").status;
        EXPECT_EQ(found, length < kHeader ? kPasswordFileHeaderShort : (whole >= 3 ? kUserFound : kNoSuchUser))
            << length;
        // An empty file, which can hold no user, is given its header; a cut one is left as it is.
        const bool refused = length > 0 && length < kHeader;
        EXPECT_EQ(Save("carl").HasValue(), !refused) << length;
        if (refused)
            EXPECT_EQ(FileBytes(), cut) << length;
        else
            EXPECT_EQ(m_store.FindUser("carl").status, kUserFound) << length;
    }
}

TEST_F(PasswordFileStoreTest, InspectPasswordFileNamesTheFault)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        PasswordFileState state;
    };
    const std::string path = PasswordPath();
    const auto sound = [this] {
        ASSERT_TRUE(Save("anna"));
        ASSERT_TRUE(Save("bert"));
        ASSERT_EQ(Delete("anna", "Full", "Desc"), 2);
    };
    const Case cases[] = {
        { "sound", sound, PasswordFileState::Sound },
        { "header only", [&] { WriteBytes(path, HeaderBytes(0)); }, PasswordFileState::Sound },
        { "missing", [] {}, PasswordFileState::Missing },
        { "short header", [&] { WriteBytes(path, Bytes(10, 0)); }, PasswordFileState::HeaderShort },
        { "wrong title", [&] { WriteBytes(path, HeaderBytes(0, "x")); }, PasswordFileState::WrongTitle },
        { "torn record",
            [&] {
                Bytes file = HeaderBytes(0);
                Append(file, Bytes(10, 1));
                WriteBytes(path, file);
            },
            PasswordFileState::TornRecord },
        { "count wrong",
            [&] {
                sound();
                Bytes file = FileBytes();
                file[50] = 7;
                WriteBytes(path, file);
            },
            PasswordFileState::CountWrong },
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        c.prepare();
        const PasswordFileCheck check = InspectPasswordFile(LoginPath());
        EXPECT_EQ(check.state, c.state) << c.what;
        EXPECT_EQ(check.reason.empty(), check.IsSound()) << c.what << ": " << check.reason;
    }
}

} // namespace
} // namespace custodia
