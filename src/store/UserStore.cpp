#include "store/UserStore.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/FixedText.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordFileScan.h"
#include "store/SharedFile.h"

#include <algorithm>
#include <functional>
#include <optional>
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

// The header from offset 0, or nothing if the file is shorter than a header.
std::optional<PasswordFileHeader> ReadHeader(File& file)
{
    PasswordFileHeaderBytes bytes {};
    file.SeekToBegin();
    if (file.Read(bytes.data(), bytes.size()) < bytes.size())
        return std::nullopt;
    return PasswordFileHeader::Decode(bytes);
}

// Whether the file can be used, and why not.
FindUserStatus StatusOf(const PasswordFileScan& scan)
{
    if (!scan.header)
        return kPasswordFileHeaderShort;
    return scan.IsPasswordFile() ? kUserFound : kPasswordFileWrongTitle;
}

bool IsOversized(const File& file)
{
    return file.GetLength() > kMaxFileLength;
}

// Opens the file for reading and scans it once: kUserFound when it can be used, else why not, with the
// reason for people in read. A file of more records than any password file holds is not scanned.
FindUserStatus ScanForReading(const std::string& loginPath, PasswordFileScan& scan, FileReadResult& read,
    const PasswordRecordVisitor& visit, const std::function<void(uint64_t records)>& expect = {})
{
    read = {};
    SharedFile file;
    if (!file.OpenWithRetry(PasswordFilePath(loginPath), kReadShared)) {
        if (file.LastCause() == kCauseFileNotFound) {
            read = { FileReadStatus::Missing, "no such file" };
            return kNoPasswordFile;
        }
        read = { FileReadStatus::Unopenable, DescribeUnopenablePasswordFile(file.LastOpenError()), file.LastCause() };
        return kPasswordFileUnreadable;
    }
    if (IsOversized(file)) {
        read = { FileReadStatus::Damaged, DescribeOversizedPasswordFile(file.GetLength()) };
        return kPasswordFileWrongTitle;
    }
    scan = ScanPasswordFile(file, visit, expect);
    const FindUserStatus status = StatusOf(scan);
    if (status == kPasswordFileHeaderShort)
        read = { FileReadStatus::Damaged, DescribeShortPasswordHeader(scan.HeaderLength()) };
    else if (status == kPasswordFileWrongTitle)
        read = { FileReadStatus::Damaged, DescribeWrongPasswordTitle() };
    return status;
}

void WriteHeader(File& file, const PasswordFileHeader& header)
{
    const PasswordFileHeaderBytes bytes = header.Encode();
    file.SeekToBegin();
    file.Write(bytes.data(), bytes.size());
}

void WriteRecordAt(File& file, uint64_t index, const PasswordFileRecord& record)
{
    file.Seek(static_cast<int64_t>(PasswordRecordOffset(index)), File::SeekFrom::Begin);
    file.Write(record.data(), record.size());
}

// A text field of a record, read as the decoders read it but without copying: the scans compare one
// name against every record of the file.
std::string_view FieldText(const PasswordFileRecord& record, size_t offset, size_t size)
{
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    return std::string_view(begin, static_cast<size_t>(std::find(begin, begin + size - 1, '\0') - begin));
}

bool IsUserRecordOf(const PasswordFileRecord& record, std::string_view userName)
{
    if (RecordTypeOf(record) != kUserRecordType)
        return false;
    if (IsOldUserRecord(record))
        return UserRecord::Decode(record).userName == userName;
    return FieldText(record, userrecord::kUserNameOffset, userrecord::kUserNameSize) == userName;
}

bool IsAccessRecordOf(const PasswordFileRecord& record, std::string_view userName)
{
    return RecordTypeOf(record) == kAccessRecordType
        && FieldText(record, accessrecord::kUserNameOffset, accessrecord::kUserNameSize) == userName;
}

// Only a slot freed as such is reused: a record whose type byte is damaged may be an intact user
// of another program's, and overwriting it would make the damage worse.
bool IsFreeSlot(const PasswordFileRecord& record)
{
    return RecordTypeOf(record) == kFreeRecordType;
}

// The last record of one kind of a name, if the file holds one.
struct SlotChoice {
    std::optional<uint64_t> match;
    PasswordFileRecord matched {};
};

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
        WriteRecordAt(file, write.index, write.record);
    if (header.recordCount < stored)
        WriteHeader(file, header);
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
    std::vector<UserEntry>& users = loaded.value;
    std::unordered_map<std::string, UserAccessRecord> accessByName;
    PasswordFileScan scan;
    FileReadResult read;
    const FindUserStatus status = ScanForReading(
        loginPath, scan, read,
        [&](uint64_t, const PasswordFileRecord& record) {
            if (RecordTypeOf(record) == kUserRecordType) {
                users.push_back(UserEntry { UserRecord::Decode(record), {} });
            } else if (RecordTypeOf(record) == kAccessRecordType) {
                UserAccessRecord access = UserAccessRecord::Decode(record);
                accessByName[access.userName] = std::move(access); // the last of a name counts
            }
        },
        [&](uint64_t records) {
            // Most files hold a user and its access record for each user.
            users.reserve(static_cast<size_t>(records / 2));
            accessByName.reserve(static_cast<size_t>(records / 2));
        });
    if (status != kUserFound) {
        static_cast<FileReadResult&>(loaded) = read;
        users.clear();
        return loaded;
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
    PasswordFileScan scan;
    FileReadResult read;
    bool matched = false;
    // No early stop: when a name occurs twice, the last record of each kind is the one that counts.
    found.status = ScanForReading(loginPath, scan, read, [&](uint64_t, const PasswordFileRecord& record) {
        if (IsAccessRecordOf(record, userName)) {
            found.entry.access = UserAccessRecord::Decode(record);
        } else if (IsUserRecordOf(record, userName)) {
            found.entry.user = UserRecord::Decode(record);
            matched = true;
        }
    });
    if (found.status != kUserFound)
        found.entry = {};
    else if (!matched)
        found.status = kNoSuchUser;
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
    if (!file.OpenWithRetry(path, FileExists(path) ? kUpdateExclusive : kCreateExclusive) || IsOversized(file))
        return kUserNotSaved;

    const std::string name(FitFixedText(userName, userrecord::kUserNameSize));
    SlotChoice user;
    SlotChoice access;
    // The last two free slots: a new user takes the last, its access record the one before.
    std::vector<uint64_t> freeSlots;
    PasswordFileScan scan = ScanPasswordFile(file, [&](uint64_t index, const PasswordFileRecord& record) {
        if (IsUserRecordOf(record, name)) {
            user = { index, record };
        } else if (IsAccessRecordOf(record, name)) {
            access = { index, record };
        } else if (IsFreeSlot(record)) {
            if (freeSlots.size() == 2)
                freeSlots.erase(freeSlots.begin());
            freeSlots.push_back(index);
        }
    });
    // An empty file can hold no user: it is what a program leaves that died creating it.
    if (scan.length == 0) {
        WriteHeader(file, PasswordFileHeader {});
        scan.header = PasswordFileHeader {};
    }
    // A record added behind a foreign header would be invisible to every reader, so such a file is
    // refused as a whole.
    if (!scan.IsPasswordFile())
        return kUserNotSaved;

    // The change starts from the stored user (the last of its name) with its last access record.
    UserEntry stored;
    stored.user.userName = name;
    if (user.match)
        stored.user = UserRecord::Decode(user.matched);
    if (access.match)
        stored.access = UserAccessRecord::Decode(access.matched);
    change(stored);
    stored.user.userName = name;
    stored.access.userName = name;

    uint64_t end = scan.wholeRecords;
    uint32_t inUse = scan.recordsInUse;
    // Over the last record of the name, else into the last free slot, else after the last whole record.
    // The last match, because when another program stored a name twice the readers deliver the last
    // record of it: replacing the first would report a saved password that the log-on never sees. A
    // torn record at the end of the file is written over rather than after, so that readers, which
    // step 206 bytes at a time from the header, see the new record.
    const auto place = [&](const SlotChoice& choice) -> uint64_t {
        if (choice.match)
            return *choice.match;
        ++inUse;
        if (freeSlots.empty())
            return end++;
        const uint64_t index = freeSlots.back();
        freeSlots.pop_back();
        return index;
    };
    std::vector<RecordWrite> writes;
    writes.push_back({ place(user), stored.user.Encode() });
    writes.push_back({ place(access), stored.access.Encode() });
    WriteChanges(file, *scan.header, inUse, writes);
    return kUserSaved;
}

int UserStore::DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
    std::string_view description) const
{
    SharedFile file;
    if (!file.OpenWithRetry(PasswordFilePath(loginPath), kUpdateExclusive) || IsOversized(file))
        return 0;
    // Compared as SaveUser stores them, so that whatever was saved can be deleted with the same texts.
    const std::string_view name = FitFixedText(userName, userrecord::kUserNameSize);
    const std::string_view full = FitFixedText(fullName, userrecord::kFullNameSize);
    const std::string_view about = FitFixedText(description, userrecord::kDescriptionSize);

    // The file is held exclusively, so it can be decided as a whole before anything is written.
    std::vector<RecordWrite> users;
    std::vector<RecordWrite> accesses;
    bool userRemains = false;
    const PasswordFileScan scan = ScanPasswordFile(file, [&](uint64_t index, const PasswordFileRecord& record) {
        if (IsAccessRecordOf(record, name)) {
            accesses.push_back({ index, record });
        } else if (IsUserRecordOf(record, name)) {
            const UserRecord user = UserRecord::Decode(record);
            if (user.fullName == full && user.description == about)
                users.push_back({ index, record });
            else
                userRemains = true;
        }
    });
    if (!scan.IsPasswordFile())
        return 0;
    // An access record goes with the last user of its name, never from under a user that stays.
    std::vector<RecordWrite> freed = std::move(users);
    if (!userRemains)
        freed.insert(freed.end(), accesses.begin(), accesses.end());
    if (freed.empty())
        return 0;
    std::sort(freed.begin(), freed.end(), [](const RecordWrite& a, const RecordWrite& b) { return a.index < b.index; });
    for (RecordWrite& write : freed) {
        ConvertOldUserRecord(write.record);
        write.record[kRecordTypeOffset] = kFreeRecordType;
    }
    const auto count = static_cast<uint32_t>(freed.size());
    WriteChanges(file, *scan.header, scan.recordsInUse >= count ? scan.recordsInUse - count : 0, freed);
    return static_cast<int>(freed.size());
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
