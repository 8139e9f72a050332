#include "store/UserStore.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/FixedText.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/SharedFile.h"

#include <functional>
#include <unordered_map>
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

// The header from offset 0, or nothing if the file is shorter than a header. Leaves the position at the
// first record.
std::optional<PasswordFileHeader> ReadHeader(File& file)
{
    PasswordFileHeaderBytes bytes {};
    file.SeekToBegin();
    if (file.Read(bytes.data(), bytes.size()) < bytes.size())
        return std::nullopt;
    return PasswordFileHeader::Decode(bytes);
}

bool IsOversized(const File& file)
{
    return file.GetLength() > kMaxFileLength;
}

std::optional<PasswordFileHeader> ReadValidHeader(File& file)
{
    auto header = ReadHeader(file);
    if (!header || !header->HasValidTitle() || IsOversized(file))
        return std::nullopt;
    return header;
}

// Opens the file for reading and reads its header, leaving the position at the first record:
// kUserFound when the file can be used, else why not, with the reason for people in read.
FindUserStatus OpenForReading(SharedFile& file, const std::string& loginPath, FileReadResult& read)
{
    read = {};
    if (!file.OpenWithRetry(PasswordFilePath(loginPath), kReadShared)) {
        if (file.LastCause() == kCauseFileNotFound) {
            read = { FileReadStatus::Missing, "no such file" };
            return kNoPasswordFile;
        }
        read = { FileReadStatus::Unopenable, DescribeUnopenablePasswordFile(file.LastOpenError()), file.LastCause() };
        return kPasswordFileUnreadable;
    }
    PasswordFileHeaderBytes bytes {};
    const size_t headerLength = file.Read(bytes.data(), bytes.size());
    if (headerLength < bytes.size()) {
        read = { FileReadStatus::Damaged, DescribeShortPasswordHeader(headerLength) };
        return kPasswordFileHeaderShort;
    }
    if (!PasswordFileHeader::Decode(bytes).HasValidTitle()) {
        read = { FileReadStatus::Damaged, DescribeWrongPasswordTitle() };
        return kPasswordFileWrongTitle;
    }
    // A file of more records than any password file holds is no password file the store will read.
    if (IsOversized(file)) {
        read = { FileReadStatus::Damaged, DescribeOversizedPasswordFile(file.GetLength()) };
        return kPasswordFileWrongTitle;
    }
    return kUserFound;
}

void WriteHeader(File& file, const PasswordFileHeader& header)
{
    const PasswordFileHeaderBytes bytes = header.Encode();
    file.SeekToBegin();
    file.Write(bytes.data(), bytes.size());
}

// The next whole record; a shorter tail counts as the end of the file.
bool ReadNextRecord(File& file, PasswordFileRecord& record)
{
    return file.Read(record.data(), record.size()) == record.size();
}

void WriteRecordAt(File& file, uint64_t index, const PasswordFileRecord& record)
{
    file.Seek(static_cast<int64_t>(PasswordRecordOffset(index)), File::SeekFrom::Begin);
    file.Write(record.data(), record.size());
}

bool IsUserRecordOf(const PasswordFileRecord& record, std::string_view userName)
{
    return RecordTypeOf(record) == kUserRecordType && UserRecord::Decode(record).userName == userName;
}

bool IsAccessRecordOf(const PasswordFileRecord& record, std::string_view userName)
{
    return RecordTypeOf(record) == kAccessRecordType && UserAccessRecord::Decode(record).userName == userName;
}

bool IsFreeSlot(const PasswordFileRecord& record)
{
    const uint8_t type = RecordTypeOf(record);
    return type != kUserRecordType && type != kAccessRecordType;
}

// Writes a record over the last one that matches, else into the last free slot, else after the last
// whole record; the two latter take a slot into use and count it in the header. The last match, because
// when another program stored a name twice the readers deliver the last record of it: replacing the
// first would report a saved password that the log-on never sees. A torn record at the end of the file
// is written over rather than after, so that readers, which step 206 bytes at a time from the header,
// see the new record.
void WriteIntoSlot(File& file, PasswordFileHeader& header, const PasswordFileRecord& data,
    const std::function<bool(const PasswordFileRecord&)>& matches)
{
    file.Seek(static_cast<int64_t>(kFirstRecordOffset), File::SeekFrom::Begin);
    PasswordFileRecord record {};
    uint64_t index = 0;
    std::optional<uint64_t> match;
    std::optional<uint64_t> freeSlot;
    while (ReadNextRecord(file, record)) {
        if (matches(record))
            match = index;
        else if (IsFreeSlot(record))
            freeSlot = index;
        ++index;
    }
    if (match) {
        WriteRecordAt(file, *match, data);
        return;
    }
    ++header.recordCount;
    WriteHeader(file, header);
    WriteRecordAt(file, freeSlot.value_or(index), data);
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
    SharedFile file;
    if (OpenForReading(file, loginPath, loaded) != kUserFound)
        return loaded;
    std::vector<UserEntry>& users = loaded.value;
    std::unordered_map<std::string, UserAccessRecord> accessByName;
    PasswordFileRecord record {};
    while (ReadNextRecord(file, record)) {
        if (RecordTypeOf(record) == kUserRecordType) {
            users.push_back(UserEntry { UserRecord::Decode(record), {} });
        } else if (RecordTypeOf(record) == kAccessRecordType) {
            UserAccessRecord access = UserAccessRecord::Decode(record);
            accessByName[access.userName] = access; // the last of a name counts
        }
    }
    for (UserEntry& entry : users) {
        if (const auto found = accessByName.find(entry.user.userName); found != accessByName.end())
            entry.access = found->second;
    }
    return loaded;
}

FoundUser UserStore::FindUser(const std::string& loginPath, std::string_view userName) const
{
    FoundUser found;
    SharedFile file;
    FileReadResult read;
    found.status = OpenForReading(file, loginPath, read);
    if (found.status != kUserFound)
        return found;
    found.status = kNoSuchUser;
    PasswordFileRecord record {};
    // No early stop: when a name occurs twice, the last record of each kind is the one that counts.
    while (ReadNextRecord(file, record)) {
        if (IsAccessRecordOf(record, userName)) {
            found.entry.access = UserAccessRecord::Decode(record);
        } else if (IsUserRecordOf(record, userName)) {
            found.entry.user = UserRecord::Decode(record);
            found.status = kUserFound;
        }
    }
    return found;
}

SaveUserResult UserStore::SaveUser(const std::string& loginPath, const UserEntry& entry) const
{
    const std::string path = PasswordFilePath(loginPath);
    SharedFile file;
    // An existing file that cannot be opened is never created anew: that would wipe every user in it.
    if (FileExists(path)) {
        if (!file.OpenWithRetry(path, kUpdateExclusive))
            return kUserNotSaved;
    } else {
        if (!file.OpenWithRetry(path, kCreateExclusive))
            return kUserNotSaved;
        if (file.GetLength() == 0)
            WriteHeader(file, PasswordFileHeader {});
    }
    // A record added behind a foreign header would be invisible to every reader, so such a file is
    // refused as a whole.
    auto header = ReadValidHeader(file);
    if (!header)
        return kUserNotSaved;

    UserRecord user = entry.user;
    user.userName = FitFixedText(entry.user.userName, userrecord::kUserNameSize);
    UserAccessRecord userAccess = entry.access;
    userAccess.userName = user.userName;

    const std::string& name = user.userName;
    WriteIntoSlot(file, *header, user.Encode(),
        [&name](const PasswordFileRecord& record) { return IsUserRecordOf(record, name); });
    WriteIntoSlot(file, *header, userAccess.Encode(),
        [&name](const PasswordFileRecord& record) { return IsAccessRecordOf(record, name); });
    return kUserSaved;
}

int UserStore::DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
    std::string_view description) const
{
    SharedFile file;
    if (!file.OpenWithRetry(PasswordFilePath(loginPath), kUpdateExclusive))
        return 0;
    auto header = ReadValidHeader(file);
    if (!header)
        return 0;
    // Compared as SaveUser stores them, so that whatever was saved can be deleted with the same texts.
    const std::string_view name = FitFixedText(userName, userrecord::kUserNameSize);
    const std::string_view full = FitFixedText(fullName, userrecord::kFullNameSize);
    const std::string_view about = FitFixedText(description, userrecord::kDescriptionSize);

    // The file is held exclusively, so it can be decided as a whole before anything is written.
    std::vector<PasswordFileRecord> records;
    for (PasswordFileRecord record {}; ReadNextRecord(file, record);)
        records.push_back(record);
    std::vector<bool> freeIt(records.size(), false);
    bool userRemains = false;
    for (size_t i = 0; i < records.size(); ++i) {
        if (RecordTypeOf(records[i]) != kUserRecordType)
            continue;
        const UserRecord user = UserRecord::Decode(records[i]);
        if (user.userName != name)
            continue;
        freeIt[i] = user.fullName == full && user.description == about;
        userRemains = userRemains || !freeIt[i];
    }
    // An access record goes with the last user of its name, never from under a user that stays.
    for (size_t i = 0; i < records.size(); ++i)
        freeIt[i] = freeIt[i] || (!userRemains && IsAccessRecordOf(records[i], name));

    int freed = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (!freeIt[i])
            continue;
        // A count already at zero is damaged; wrapping it would demand a log-on with no user left.
        if (header->recordCount > 0)
            --header->recordCount;
        WriteHeader(file, *header);
        ConvertOldUserRecord(records[i]);
        records[i][kRecordTypeOffset] = kFreeRecordType;
        WriteRecordAt(file, i, records[i]);
        ++freed;
    }
    return freed;
}

bool UserStore::IsLogonRequired()
{
    if (!FileExists(kFileName))
        return true;
    File file;
    if (file.OpenOnce(kFileName, kReadShared) != kCauseNone)
        return true;
    const auto header = ReadValidHeader(file);
    return !header || header->recordCount != 0;
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
