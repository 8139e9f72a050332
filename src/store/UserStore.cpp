#include "store/UserStore.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/FixedText.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordImage.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace custodia {

using namespace passwordfile;

namespace {

constexpr unsigned kReadShared = openflags::kBinary | openflags::kRead | openflags::kShareDenyNone;
constexpr unsigned kUpdateExclusive = openflags::kBinary | openflags::kReadWrite | openflags::kShareExclusive;
// Creating opens never truncate: when two programs create the file at once, the second finds the
// first one's header (and maybe its users) and keeps them.
constexpr unsigned kCreateExclusive = openflags::kBinary | openflags::kCreate | openflags::kNoTruncate
    | openflags::kReadWrite | openflags::kShareExclusive;
constexpr unsigned kCreateShared
    = openflags::kBinary | openflags::kCreate | openflags::kNoTruncate | openflags::kWrite | openflags::kShareDenyNone;

// The header from offset 0, or nothing if the file is shorter than a header.
std::optional<PasswordFileHeader> ReadHeader(File& file)
{
    PasswordFileHeaderBytes bytes {};
    file.SeekToBegin();
    if (file.Read(bytes.data(), bytes.size()) < bytes.size())
        return std::nullopt;
    return PasswordFileHeader::Decode(bytes);
}

// Pieces of about 100 KB: few reads even at 10,000 users, and a buffer that stays small.
constexpr size_t kRecordsPerPiece = 512;

bool IsOversized(const File& file)
{
    return file.GetLength() > kMaxFileLength;
}

// "tessel.pwd" read whole into memory, and whether it can be used.
struct PasswordFileContents {
    FindUserStatus status = kUserFound; // kUserFound when it can be used
    FileReadResult read; // why not, for people
    std::vector<unsigned char> bytes;
};

// Opens the file as asked; on failure says why: missing, or there but not to be opened.
PasswordFileContents OpenPasswordFile(SharedFile& file, const std::string& path, unsigned flags)
{
    PasswordFileContents contents;
    if (file.OpenWithRetry(path, flags))
        return contents;
    if (file.LastCause() == kCauseFileNotFound) {
        contents.status = kNoPasswordFile;
        contents.read = { FileReadStatus::Missing, "no such file" };
    } else {
        contents.status = kPasswordFileUnreadable;
        contents.read
            = { FileReadStatus::Unopenable, DescribeUnopenablePasswordFile(file.LastOpenError()), file.LastCause() };
    }
    return contents;
}

// Reads the open file whole, in a few large reads, and says whether it is a password file. A file of
// more records than any password file holds is not read.
void ReadPasswordFile(File& file, PasswordFileContents& contents)
{
    if (!file.ReadWhole(contents.bytes, kMaxFileLength)) {
        contents.bytes.clear();
        contents.status = kPasswordFileWrongTitle;
        contents.read = { FileReadStatus::Damaged, DescribeOversizedPasswordFile(file.GetLength()) };
        return;
    }
    const PasswordImage image(contents.bytes);
    if (!image.Header()) {
        contents.status = kPasswordFileHeaderShort;
        contents.read = { FileReadStatus::Damaged, DescribeShortPasswordHeader(image.HeaderLength()) };
    } else if (!image.IsPasswordFile()) {
        contents.status = kPasswordFileWrongTitle;
        contents.read = { FileReadStatus::Damaged, DescribeWrongPasswordTitle() };
    }
}

// Opens the file for reading and reads it whole, sharing it with other readers.
PasswordFileContents ReadForReading(const std::string& loginPath)
{
    SharedFile file;
    PasswordFileContents contents = OpenPasswordFile(file, PasswordFilePath(loginPath), kReadShared);
    if (file.IsOpen())
        ReadPasswordFile(file, contents);
    return contents;
}

void WriteHeader(File& file, const PasswordFileHeader& header)
{
    const PasswordFileHeaderBytes bytes = header.Encode();
    file.WriteAt(0, bytes.data(), bytes.size());
}

// Only a slot freed as such is reused: a record whose type byte is damaged may be an intact user
// of another program's, and overwriting it would make the damage worse.
bool IsFreeSlot(PasswordRecordBytes record)
{
    return RecordTypeOf(record) == kFreeRecordType;
}

// A record to write at its index.
struct RecordWrite {
    uint64_t index = 0;
    PasswordFileRecord record {};
};

// Writes the changed records and the recounted header. A count that rises is written before the
// records and one that falls after them, so that a program dying in between leaves a count too high
// (a log-on asked for) rather than too low (none asked for while a user is there).
void WriteChanges(File& file, PasswordFileHeader header, uint32_t inUseAfter, const std::vector<RecordWrite>& writes)
{
    const uint32_t stored = header.recordCount;
    header.recordCount = inUseAfter;
    if (header.recordCount > stored)
        WriteHeader(file, header);
    for (const RecordWrite& write : writes)
        file.WriteAt(PasswordRecordOffset(write.index), write.record.data(), write.record.size());
    if (header.recordCount < stored)
        WriteHeader(file, header);
}

PasswordFileRecord CopyOf(PasswordRecordBytes record)
{
    PasswordFileRecord copy {};
    std::copy(record.begin(), record.end(), copy.begin());
    return copy;
}

} // namespace

UserStore::UserStore() = default;

UserStore::~UserStore() = default;

bool UserStore::CreatePasswordFile(const std::string& loginPath) const
{
    const std::string path = PasswordFilePath(loginPath);
    if (FileExists(path))
        return true;
    SharedFile file;
    if (!file.OpenWithRetry(path, kCreateShared))
        return false;
    if (file.GetLength() == 0)
        WriteHeader(file, PasswordFileHeader {});
    return true;
}

Loaded<std::vector<UserEntry>> UserStore::LoadUsers(const std::string& loginPath) const
{
    Loaded<std::vector<UserEntry>> loaded;
    PasswordFileContents contents = ReadForReading(loginPath);
    if (contents.status != kUserFound) {
        static_cast<FileReadResult&>(loaded) = std::move(contents.read);
        return loaded;
    }
    loaded.value = ParseUsers(PasswordImage(contents.bytes));
    return loaded;
}

FileReadResult UserStore::ForEachUser(
    const std::string& loginPath, const std::function<void(const UserRecord& user)>& visit) const
{
    SharedFile file;
    PasswordFileContents contents = OpenPasswordFile(file, PasswordFilePath(loginPath), kReadShared);
    if (!file.IsOpen())
        return contents.read;
    if (IsOversized(file))
        return { FileReadStatus::Damaged, DescribeOversizedPasswordFile(file.GetLength()) };

    // The file in pieces of many records into one buffer, so that listing thousands of users touches
    // little memory; the first piece begins with the header, and a piece's torn last record is carried
    // over to the next. Read to the end rather than trusting the length, which another program may be
    // changing, but never past the largest password file.
    std::vector<unsigned char> piece(kHeaderSize + kRecordsPerPiece * kRecordSize);
    size_t got = file.Read(piece.data(), piece.size());
    const PasswordImage header(std::span(piece.data(), got));
    if (!header.Header())
        return { FileReadStatus::Damaged, DescribeShortPasswordHeader(header.HeaderLength()) };
    if (!header.IsPasswordFile())
        return { FileReadStatus::Damaged, DescribeWrongPasswordTitle() };
    uint64_t left = kMaxFileLength - got;
    size_t start = kHeaderSize;
    size_t available = got;
    for (;;) {
        const size_t whole = (available - start) / kRecordSize;
        for (size_t i = 0; i < whole; ++i) {
            const PasswordRecordBytes record(piece.data() + start + i * kRecordSize, kRecordSize);
            if (RecordTypeOf(record) == kUserRecordType)
                visit(UserRecord::Decode(record));
        }
        if (got == 0 || available < piece.size() || left == 0)
            return {};
        // The torn rest moves to the front, and the next piece is read behind it.
        const size_t carried = available - start - whole * kRecordSize;
        std::copy_n(piece.begin() + static_cast<ptrdiff_t>(available - carried), carried, piece.begin());
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(piece.size() - carried, left));
        got = file.Read(piece.data() + carried, wanted);
        left -= got;
        start = 0;
        available = carried + got;
    }
}

FoundUser UserStore::FindUser(const std::string& loginPath, std::string_view userName) const
{
    FoundUser found;
    const PasswordFileContents contents = ReadForReading(loginPath);
    found.status = contents.status;
    if (found.status != kUserFound)
        return found;
    const PasswordImage image(contents.bytes);
    const UserRecordIndices records = FindUserRecords(image, userName);
    if (!records.user)
        found.status = kNoSuchUser;
    else
        found.entry.user = UserRecord::Decode(image.Record(*records.user));
    if (records.access)
        found.entry.access = UserAccessRecord::Decode(image.Record(*records.access));
    return found;
}

SaveUserResult UserStore::SaveUser(const std::string& loginPath, const UserEntry& entry) const
{
    return UpdateUser(loginPath, entry.user.userName, [&entry](UserEntry& stored) { stored = entry; });
}

SaveUserResult UserStore::UpdateUser(
    const std::string& loginPath, std::string_view userName, const std::function<void(UserEntry&)>& change) const
{
    const std::string path = PasswordFilePath(loginPath);
    SharedFile file;
    // An existing file that cannot be opened is never created anew: that would wipe every user in it.
    PasswordFileContents contents
        = OpenPasswordFile(file, path, FileExists(path) ? kUpdateExclusive : kCreateExclusive);
    if (!file.IsOpen())
        return kUserNotSaved;
    ReadPasswordFile(file, contents);
    // An empty file can hold no user: it is what a program leaves that died creating it.
    if (contents.status == kPasswordFileHeaderShort && contents.bytes.empty()) {
        const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
        file.WriteAt(0, header.data(), header.size());
        contents.bytes.assign(header.begin(), header.end());
        contents.status = kUserFound;
    }
    // A record added behind a foreign header would be invisible to every reader, so such a file is
    // refused as a whole.
    if (contents.status != kUserFound)
        return kUserNotSaved;

    const PasswordImage image(contents.bytes);
    const std::string name(FitFixedText(userName, userrecord::kUserNameSize));
    const UserRecordIndices found = FindUserRecords(image, name);
    // The last two free slots: a new user takes the last, its access record the one before.
    std::vector<uint64_t> freeSlots;
    for (uint64_t i = image.WholeRecords(); i-- > 0 && freeSlots.size() < 2;)
        if (IsFreeSlot(image.Record(i)))
            freeSlots.insert(freeSlots.begin(), i);

    // The change starts from the stored user (the last of its name) with its last access record.
    UserEntry stored;
    stored.user.userName = name;
    if (found.user)
        stored.user = UserRecord::Decode(image.Record(*found.user));
    if (found.access)
        stored.access = UserAccessRecord::Decode(image.Record(*found.access));
    change(stored);
    stored.user.userName = name;
    stored.access.userName = name;

    uint64_t end = image.WholeRecords();
    uint32_t inUse = image.RecordsInUse();
    // Over the last record of the name, else into the last free slot, else after the last whole record.
    // The last match, because when another program stored a name twice the readers deliver the last
    // record of it: replacing the first would report a saved password that the log-on never sees. A
    // torn record at the end of the file is written over rather than after, so that readers, which
    // step 206 bytes at a time from the header, see the new record.
    const auto place = [&](const std::optional<uint64_t>& match) -> uint64_t {
        if (match)
            return *match;
        ++inUse;
        if (freeSlots.empty())
            return end++;
        const uint64_t index = freeSlots.back();
        freeSlots.pop_back();
        return index;
    };
    std::vector<RecordWrite> writes;
    writes.push_back({ place(found.user), stored.user.Encode() });
    writes.push_back({ place(found.access), stored.access.Encode() });
    WriteChanges(file, *image.Header(), inUse, writes);
    return kUserSaved;
}

Loaded<int> UserStore::FreeUserRecords(const std::string& loginPath, std::string_view userName,
    const std::function<bool(const UserRecord& user)>& freed, bool orphanAccessRecords) const
{
    Loaded<int> result;
    SharedFile file;
    PasswordFileContents contents = OpenPasswordFile(file, PasswordFilePath(loginPath), kUpdateExclusive);
    if (file.IsOpen())
        ReadPasswordFile(file, contents);
    if (contents.status != kUserFound) {
        static_cast<FileReadResult&>(result) = std::move(contents.read);
        return result;
    }
    // Compared as SaveUser stores it, so that whatever was saved can be deleted with the same name.
    const std::string_view name = FitFixedText(userName, userrecord::kUserNameSize);

    // The file is held exclusively, so it can be decided as a whole before anything is written.
    const PasswordImage image(contents.bytes);
    std::vector<RecordWrite> users;
    std::vector<RecordWrite> accesses;
    bool userRemains = false;
    for (uint64_t i = 0; i < image.WholeRecords(); ++i) {
        const PasswordRecordBytes record = image.Record(i);
        const uint8_t type = RecordTypeOf(record);
        if ((type != kUserRecordType && type != kAccessRecordType) || StoredUserName(record) != name)
            continue;
        if (type == kAccessRecordType)
            accesses.push_back({ i, CopyOf(record) });
        else if (freed(UserRecord::Decode(record)))
            users.push_back({ i, CopyOf(record) });
        else
            userRemains = true;
    }
    if (users.empty() && !orphanAccessRecords)
        return result;
    // An access record goes with the last user of its name, never from under a user that stays.
    std::vector<RecordWrite> writes = std::move(users);
    if (!userRemains)
        writes.insert(writes.end(), accesses.begin(), accesses.end());
    if (writes.empty())
        return result;
    std::sort(
        writes.begin(), writes.end(), [](const RecordWrite& a, const RecordWrite& b) { return a.index < b.index; });
    for (RecordWrite& write : writes) {
        ConvertOldUserRecord(write.record);
        write.record[kRecordTypeOffset] = kFreeRecordType;
    }
    const auto count = static_cast<uint32_t>(writes.size());
    const uint32_t inUse = image.RecordsInUse();
    WriteChanges(file, *image.Header(), inUse >= count ? inUse - count : 0, writes);
    result.value = static_cast<int>(count);
    return result;
}

int UserStore::DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
    std::string_view description) const
{
    // Compared as SaveUser stores them, so that whatever was saved can be deleted with the same texts.
    const std::string_view full = FitFixedText(fullName, userrecord::kFullNameSize);
    const std::string_view about = FitFixedText(description, userrecord::kDescriptionSize);
    return FreeUserRecords(
        loginPath, userName, [&](const UserRecord& user) { return user.fullName == full && user.description == about; },
        true)
        .value;
}

Loaded<int> UserStore::DeleteUserNamed(const std::string& loginPath, std::string_view userName) const
{
    return FreeUserRecords(
        loginPath, userName, [](const UserRecord&) { return true; }, false);
}

bool UserStore::IsLogonRequired()
{
    if (!FileExists(kFileName))
        return true;
    File file;
    if (file.OpenOnce(kFileName, kReadShared) != kCauseNone)
        return true;
    const auto header = ReadHeader(file);
    return !header || !header->HasValidTitle() || IsOversized(file) || header->recordCount != 0;
}

LogonArguments UserStore::ParseLogonArguments(const std::vector<std::string>& arguments)
{
    static constexpr std::string_view kUserNamePrefix = "username=";
    static constexpr std::string_view kPasswordPrefix = "password=";
    m_userName.reset();
    m_password.reset();
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() > kUserNamePrefix.size() && argument.starts_with(kUserNamePrefix))
            m_userName = std::string(argument.substr(kUserNamePrefix.size()));
        else if (argument.size() > kPasswordPrefix.size() && argument.starts_with(kPasswordPrefix))
            m_password = std::string(argument.substr(kPasswordPrefix.size()));
    }
    return LogonArguments { m_userName, m_password };
}

LogonArguments UserStore::ParseLogonArguments(int argc, const char* const argv[])
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return ParseLogonArguments(arguments);
}

void UserStore::SetLoggedOnUser(uint8_t databaseMode, uint32_t databaseMask, const UserAccessRecord& access)
{
    m_databaseMode = databaseMode;
    m_databaseMask = databaseMask;
    m_accessRecord = access;
}

void UserStore::Clear()
{
    m_userName.reset();
    m_password.reset();
    m_fullName.reset();
    m_description.reset();
    m_groupName.reset();
}

} // namespace custodia
