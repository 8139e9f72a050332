#include "store/UserStore.h"
#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordScramble.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
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
class UserStoreTest : public ::testing::Test {
protected:
    UserStoreTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    const std::string& LoginPath() const { return m_dir.path(); }
    std::string PasswordPath() const { return m_dir.file("tessel.pwd"); }
    Bytes FileBytes() const { return ReadBytes(PasswordPath()); }

    int Save(const std::string& name, const std::string& fullName = "Full", const std::string& description = "Desc",
        const std::string& password = "secret", uint8_t group = 1, const UserAccessRecord& access = {})
    {
        return m_store.SaveUser(
            LoginPath(), UserEntry { UserRecord { 0, 0, name, fullName, description, password, group }, access });
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
    UserStore m_store;
};

TEST_F(UserStoreTest, CreatePasswordFileWritesAHeaderOnlyOnce)
{
    ASSERT_TRUE(m_store.CreatePasswordFile(LoginPath()));
    EXPECT_EQ(FileBytes(), HeaderBytes(0));
    EXPECT_FALSE(UserStore::IsLogonRequired());

    ASSERT_EQ(Save("anna"), kUserSaved);
    const Bytes withUser = FileBytes();
    EXPECT_TRUE(m_store.CreatePasswordFile(LoginPath()));
    EXPECT_EQ(FileBytes(), withUser);
    EXPECT_TRUE(UserStore::IsLogonRequired());
}

TEST_F(UserStoreTest, CreatePasswordFileReportsAFolderThatCannotHoldIt)
{
    EXPECT_FALSE(m_store.CreatePasswordFile(m_dir.file("no/such/folder")));
}

TEST_F(UserStoreTest, IsLogonRequiredUnlessAnEmptySoundFileIsHere)
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
        EXPECT_EQ(UserStore::IsLogonRequired(), c.required) << c.what;
    }

    WriteBytes(path, HeaderBytes(0));
    const auto other = HoldExclusively();
    EXPECT_TRUE(UserStore::IsLogonRequired()) << "held by a writer";
}

TEST_F(UserStoreTest, FirstUserMakesA466ByteFile)
{
    UserAccessRecord access;
    access.userName = "ignored";
    access.SetOfficeSelectionEnabled(3, true);
    access.SetOfficeAllowed(3, 42, true);
    ASSERT_EQ(m_store.SaveUser(
                  LoginPath(), UserEntry { UserRecord { 1, 0x3FF, "anna", "Anna Berg", "night", "abc", 4 }, access }),
        kUserSaved);

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

    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.password, "abc");
    EXPECT_EQ(users[0].user.databaseMode, 1);
    EXPECT_EQ(users[0].user.databaseMask, 0x3FFu);
    EXPECT_EQ(users[0].access.userName, "anna");
    EXPECT_TRUE(users[0].access.IsOfficeAllowed(3, 42));
}

TEST_F(UserStoreTest, SavingAgainReplacesInPlace)
{
    ASSERT_EQ(Save("anna"), kUserSaved);
    ASSERT_EQ(Save("bert"), kUserSaved);
    const Bytes before = FileBytes();
    UserAccessRecord access;
    access.SetOfficeSelectionEnabled(10, true);
    ASSERT_EQ(Save("anna", "Anna B.", "days", "new", 9, access), kUserSaved);

    const Bytes after = FileBytes();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(RecordCount(after), 4u);
    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.fullName, "Anna B.");
    EXPECT_EQ(users[0].user.password, "new");
    EXPECT_EQ(users[0].user.groupNumber, 9);
    EXPECT_TRUE(users[0].access.IsOfficeSelectionEnabled(10));
    EXPECT_EQ(users[1].user.userName, "bert");
}

TEST_F(UserStoreTest, DeletedSlotsAreReusedAccessRecordFirst)
{
    ASSERT_EQ(Save("anna", "Anna", "first"), kUserSaved);
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "Anna", "first"), 2);
    Bytes file = FileBytes();
    ASSERT_EQ(file.size(), 466u);
    EXPECT_EQ(TypeAt(file, 0), 1);
    EXPECT_EQ(TypeAt(file, 1), 1);
    EXPECT_EQ(RecordCount(file), 0u);
    EXPECT_FALSE(UserStore::IsLogonRequired());

    UserAccessRecord access;
    access.SetOfficeAllowed(2, 7, true);
    ASSERT_EQ(Save("carl", "Carl", "", "pw", 2, access), kUserSaved);
    file = FileBytes();
    EXPECT_EQ(file.size(), 466u);
    EXPECT_EQ(RecordCount(file), 2u);
    // The last free slot is taken each time: the user lands in the later one, its access record in the
    // earlier one.
    EXPECT_EQ(TypeAt(file, 0), 2);
    EXPECT_EQ(TypeAt(file, 1), 0);
    EXPECT_EQ(NameAt(file, 1), "carl");

    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].access.userName, "carl");
    EXPECT_TRUE(users[0].access.IsOfficeAllowed(2, 7));
    const FoundUser found = m_store.FindUser(LoginPath(), "carl");
    EXPECT_EQ(found.status, kUserFound);
    EXPECT_TRUE(found.entry.access.IsOfficeAllowed(2, 7));
}

TEST_F(UserStoreTest, FindUserStatusCodes)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* name;
        FindUserStatus expected;
    };
    const std::string path = PasswordPath();
    const auto withAnna = [this] { ASSERT_EQ(Save("Anna"), kUserSaved); };
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
        const FoundUser found = m_store.FindUser(LoginPath(), c.name);
        EXPECT_EQ(found.status, c.expected) << c.what;
        EXPECT_EQ(found.entry.access.userName, c.expected == kUserFound ? c.name : "") << c.what;
    }
}

TEST_F(UserStoreTest, FindUserGives254WhenTheFileStaysHeld)
{
    ASSERT_EQ(Save("anna"), kUserSaved);
    const auto other = HoldExclusively();
    EXPECT_EQ(m_store.FindUser(LoginPath(), "anna").status, kPasswordFileUnreadable);
    EXPECT_NE(test::ReadText("FileErrors.txt").find("(tries:60 cause:11)"), std::string::npos);
}

// An empty list must never stand for a file that could not be used: callers report those.
TEST_F(UserStoreTest, LoadUsersTellsNoUsersFromAFileItCannotUse)
{
    const auto load = [this] { return m_store.LoadUsers(LoginPath()); };
    EXPECT_EQ(load().status, FileReadStatus::Missing);

    WriteBytes(PasswordPath(), HeaderBytes(0));
    EXPECT_TRUE(load().WasRead());
    EXPECT_TRUE(load().value.empty());

    WriteBytes(PasswordPath(), Prefix(HeaderBytes(0), 20));
    EXPECT_EQ(load().status, FileReadStatus::Damaged);
    EXPECT_EQ(load().problem, "header is 20 bytes, 54 expected");
    WriteBytes(PasswordPath(), HeaderBytes(0, "Another Title"));
    EXPECT_EQ(load().status, FileReadStatus::Damaged);

    std::filesystem::remove(PasswordPath());
    ASSERT_EQ(Save("anna"), kUserSaved);
    const auto other = HoldExclusively();
    const Loaded<std::vector<UserEntry>> held = load();
    EXPECT_EQ(held.status, FileReadStatus::Unopenable);
    EXPECT_TRUE(held.value.empty());
}

TEST_F(UserStoreTest, FindUserDeliversTheLastRecordOfEachKind)
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

    const FoundUser found = m_store.FindUser(LoginPath(), "anna");
    ASSERT_EQ(found.status, kUserFound);
    EXPECT_EQ(found.entry.user, second);
    EXPECT_EQ(found.entry.access, late);

    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
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

TEST_F(UserStoreTest, OldLayoutRecordsAreReadAndRewrittenInTheCurrentLayout)
{
    const std::string longName(45, 'o');
    Bytes file = HeaderBytes(2);
    Append(file, OldLayoutUser(longName, "Old Timer", "pw", 3));
    Append(file, OldLayoutUser("olga", "Olga", "x", 4));
    WriteBytes(PasswordPath(), file);

    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.userName, std::string(42, 'o'));
    EXPECT_EQ(users[0].user.fullName, "Old Timer");
    EXPECT_EQ(users[0].user.password, "pw");
    EXPECT_EQ(users[0].user.groupNumber, 3);
    EXPECT_EQ(FileBytes(), file) << "reading never rewrites";

    EXPECT_EQ(m_store.FindUser(LoginPath(), std::string(42, 'o')).status, kUserFound);
    EXPECT_EQ(m_store.FindUser(LoginPath(), longName).status, kNoSuchUser);

    // Saving "olga" replaces her old record in place and adds her access record at the end.
    ASSERT_EQ(Save("olga", "Olga", "", "y", 4), kUserSaved);
    const Bytes saved = FileBytes();
    ASSERT_EQ(saved.size(), kHeader + 3 * kRecord);
    EXPECT_EQ(RecordCount(saved), 3u);
    EXPECT_EQ(saved[kHeader + kRecord + 1], 0) << "current layout";
    EXPECT_EQ(NameAt(saved, 1), "olga");
    EXPECT_EQ(TypeAt(saved, 2), 2);

    // Deleting the old user frees it in the current layout.
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), std::string(42, 'o'), "Old Timer", ""), 1);
    const Bytes deleted = FileBytes();
    EXPECT_EQ(TypeAt(deleted, 0), 1);
    EXPECT_EQ(deleted[kHeader + 1], 0);
    EXPECT_EQ(reinterpret_cast<const char*>(deleted.data() + kHeader + 8), std::string(42, 'o'));
    EXPECT_EQ(RecordCount(deleted), 2u);
}

TEST_F(UserStoreTest, SaveUserRefusesAFileThatIsNotAPasswordFile)
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
        EXPECT_EQ(Save("bert"), kUserNotSaved) << c.what;
        EXPECT_EQ(FileBytes(), c.contents) << c.what;
        EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "", ""), 0) << c.what;
        EXPECT_EQ(FileBytes(), c.contents) << c.what;
    }
}

TEST_F(UserStoreTest, AHeldFileIsNeverCreatedAnew)
{
    ASSERT_EQ(Save("anna"), kUserSaved);
    const Bytes before = FileBytes();
    {
        const auto other = HoldExclusively();
        EXPECT_EQ(Save("bert"), kUserNotSaved);
        EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "Full", "Desc"), 0);
    }
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(Save("bert"), kUserSaved) << "once released";
}

TEST_F(UserStoreTest, SaveUserCutsTextsToTheirFields)
{
    const std::string longName(60, 'n');
    ASSERT_EQ(Save(longName, std::string(80, 'f'), std::string(80, 'd'), std::string(70, 'p')), kUserSaved);
    // Saving the same long name again finds the stored, cut name: no second user.
    ASSERT_EQ(Save(longName, "short", std::string(80, 'd'), std::string(70, 'p')), kUserSaved);
    const Bytes file = FileBytes();
    ASSERT_EQ(file.size(), 466u);

    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.userName, std::string(42, 'n'));
    EXPECT_EQ(users[0].user.fullName, "short");
    EXPECT_EQ(users[0].user.password, std::string(50, 'p'));
    EXPECT_EQ(users[0].access.userName, std::string(42, 'n'));
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), longName, "short", std::string(80, 'd')), 2);
}

TEST_F(UserStoreTest, DeleteUserNeedsAllThreeTextsAndKeepsTheAccessOfAUserThatStays)
{
    UserAccessRecord access;
    access.SetOfficeAllowed(1, 1, true);
    ASSERT_EQ(Save("anna", "Anna", "A", "pw", 1, access), kUserSaved);
    ASSERT_EQ(Save("bert", "Bert", "B"), kUserSaved);
    const Bytes before = FileBytes();

    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "Anna", "other"), 0);
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "anna", "A"), 0);
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "nobody", "", ""), 0);
    EXPECT_EQ(FileBytes(), before);

    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "Anna", "A"), 2);
    const std::vector<UserEntry> users = m_store.LoadUsers(LoginPath()).value;
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].user.userName, "bert");
    EXPECT_EQ(RecordCount(FileBytes()), 2u);
}

TEST_F(UserStoreTest, DeleteUserFreesAnAccessRecordLeftWithoutItsUser)
{
    Bytes file = HeaderBytes(1);
    Append(file, ToBytes(UserAccessRecord { "gone", {} }.Encode()));
    WriteBytes(PasswordPath(), file);
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "gone", "", ""), 1);
    EXPECT_EQ(TypeAt(FileBytes(), 0), 1);
    EXPECT_EQ(RecordCount(FileBytes()), 0u);
}

TEST_F(UserStoreTest, ACountAlreadyAtZeroDoesNotWrap)
{
    Bytes file = HeaderBytes(0);
    Append(file, ToBytes(UserRecord { 0, 0, "anna", "", "", "", 0 }.Encode()));
    WriteBytes(PasswordPath(), file);
    EXPECT_EQ(m_store.DeleteUser(LoginPath(), "anna", "", ""), 1);
    EXPECT_EQ(RecordCount(FileBytes()), 0u);
}

TEST_F(UserStoreTest, ATornLastRecordIsWrittenOverSoReadersSeeTheNewUser)
{
    ASSERT_EQ(Save("anna"), kUserSaved);
    Bytes file = FileBytes();
    Append(file, Bytes(100, 0x55));
    WriteBytes(PasswordPath(), file);

    EXPECT_EQ(m_store.LoadUsers(LoginPath()).value.size(), 1u);
    ASSERT_EQ(Save("bert"), kUserSaved);
    const Bytes saved = FileBytes();
    EXPECT_EQ(saved.size(), kHeader + 4 * kRecord);
    EXPECT_EQ(NameAt(saved, 2), "bert");
    const FoundUser found = m_store.FindUser(LoginPath(), "bert");
    EXPECT_EQ(found.status, kUserFound);
    EXPECT_EQ(found.entry.access.userName, "bert");
}

// Every prefix of a good file, as a writer on another machine may leave it: no reader or writer may
// read past what is there, and a cut header is never written into.
TEST_F(UserStoreTest, TruncatedFilesAreHandledAtEveryLength)
{
    ASSERT_EQ(Save("anna"), kUserSaved);
    ASSERT_EQ(Save("bert"), kUserSaved);
    const Bytes good = FileBytes();
    for (size_t length = 0; length < good.size(); ++length) {
        const Bytes cut = Prefix(good, length);
        WriteBytes(PasswordPath(), cut);
        const size_t whole = length < kHeader ? 0 : (length - kHeader) / kRecord;
        EXPECT_EQ(m_store.LoadUsers(LoginPath()).value.size(), whole >= 3 ? 2u : (whole >= 1 ? 1u : 0u)) << length;
        const FindUserStatus found = m_store.FindUser(LoginPath(), "bert").status;
        EXPECT_EQ(found, length < kHeader ? kPasswordFileHeaderShort : (whole >= 3 ? kUserFound : kNoSuchUser))
            << length;
        // An empty file, which can hold no user, is given its header; a cut one is left as it is.
        const bool refused = length > 0 && length < kHeader;
        const int saved = Save("carl");
        EXPECT_EQ(saved, refused ? kUserNotSaved : kUserSaved) << length;
        if (refused)
            EXPECT_EQ(FileBytes(), cut) << length;
        else
            EXPECT_EQ(m_store.FindUser(LoginPath(), "carl").status, kUserFound) << length;
    }
}

TEST_F(UserStoreTest, ParseLogonArguments)
{
    struct Case {
        std::vector<std::string> arguments;
        std::optional<std::string> userName;
        std::optional<std::string> password;
    };
    const Case cases[] = {
        { { "custodia" }, std::nullopt, std::nullopt },
        { { "custodia", "username=anna", "password=pw" }, "anna", "pw" },
        { { "custodia", "username=anna", "username=bert" }, "bert", std::nullopt },
        // A bare prefix and other spellings are ignored; the first argument is the program.
        { { "username=prog", "username=", "USERNAME=x", "Password=y", "password=" }, std::nullopt, std::nullopt },
        { { "custodia", "password=a=b", "username==x" }, "=x", "a=b" },
    };
    for (const Case& c : cases) {
        m_store.SetUserName("old");
        m_store.SetPassword("old");
        const LogonArguments found = m_store.ParseLogonArguments(c.arguments);
        EXPECT_EQ(found.userName, c.userName);
        EXPECT_EQ(found.password, c.password);
        EXPECT_EQ(m_store.GetUserName(), c.userName);
        EXPECT_EQ(m_store.GetPassword(), c.password);
    }
    const char* argv[] = { "custodia", "password=pw", nullptr };
    EXPECT_EQ(m_store.ParseLogonArguments(2, argv).password, "pw");
}

TEST_F(UserStoreTest, InspectPasswordFileNamesTheFault)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        PasswordFileState state;
    };
    const std::string path = PasswordPath();
    const auto sound = [this] {
        ASSERT_EQ(Save("anna"), kUserSaved);
        ASSERT_EQ(Save("bert"), kUserSaved);
        ASSERT_EQ(m_store.DeleteUser(LoginPath(), "anna", "Full", "Desc"), 2);
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
