#include "store/PasswordFileStore.h"

#include "platform/Failure.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"
#include "store/FixedText.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordImage.h"

#include <algorithm>
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
    | openflags::kReadWrite | openflags::kShareExclusive | openflags::kPrivate;
constexpr unsigned kCreateShared = openflags::kBinary | openflags::kCreate | openflags::kNoTruncate | openflags::kWrite
    | openflags::kShareDenyNone | openflags::kPrivate;

// Pieces of about 100 KB: few reads even at 10,000 users, and a buffer that stays small.
constexpr size_t kRecordsPerPiece = 512;

const char* const kReadOperation = "the users could not be read";
const char* const kSaveOperation = "the user could not be saved";
const char* const kDeleteOperation = "the user could not be deleted";

// The header from offset 0, or nothing if the file is shorter than a header.
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

Failure Damaged(const std::string& operation, const std::string& fileName, std::string detail)
{
    return Refused(Failure::Refusal::Damaged, operation, fileName, std::move(detail));
}

// "tessel.pwd" read whole into memory; status kUserFound when it is a password file.
struct PasswordFileContents {
    FindUserStatus status = kUserFound;
    std::vector<unsigned char> bytes;
};

FindUserStatus StatusOfFailedOpen(const SharedFile& file)
{
    return file.LastCause() == kCauseFileNotFound ? kNoPasswordFile : kPasswordFileUnreadable;
}

// Reads the open file whole, in a few large reads, and says whether it is a password file. A file of
// more records than any password file holds is not read.
Status ReadPasswordFile(File& file, PasswordFileContents& contents, const std::string& operation)
{
    if (!file.ReadWhole(contents.bytes, kMaxFileLength)) {
        contents.bytes.clear();
        contents.status = kPasswordFileWrongTitle;
        return Damaged(operation, file.GetFileName(), DescribeOversizedPasswordFile(file.GetLength()));
    }
    const PasswordImage image(contents.bytes);
    if (!image.Header()) {
        contents.status = kPasswordFileHeaderShort;
        return Damaged(operation, file.GetFileName(), DescribeShortPasswordHeader(image.HeaderLength()));
    }
    if (!image.IsPasswordFile()) {
        contents.status = kPasswordFileWrongTitle;
        return Damaged(operation, file.GetFileName(), DescribeWrongPasswordTitle());
    }
    return {};
}

// Opens the file for reading, sharing it with other readers, and reads it whole.
Status ReadForReading(const FileEnvironment& environment, const std::string& fileName, PasswordFileContents& contents)
{
    SharedFile file(environment);
    if (!file.OpenWithRetry(fileName, kReadShared)) {
        contents.status = StatusOfFailedOpen(file);
        return OpenFailure(kReadOperation, fileName, file.LastOpenError());
    }
    return ReadPasswordFile(file, contents, kReadOperation);
}

// Opens the file exclusively and reads it whole; a missing file is created when `create` allows. An
// existing file that cannot be opened is never created anew: that would wipe every user in it.
Status HoldForChange(SharedFile& file, const std::string& fileName, bool create, PasswordFileContents& contents,
    const std::string& operation)
{
    const bool exists = FileExists(fileName);
    if (!file.OpenWithRetry(fileName, exists || !create ? kUpdateExclusive : kCreateExclusive))
        return OpenFailure(operation, fileName, file.LastOpenError());
    Status read = ReadPasswordFile(file, contents, operation);
    // An empty file can hold no user: it is what a program leaves that died creating it.
    if (!read && create && contents.status == kPasswordFileHeaderShort && contents.bytes.empty()) {
        const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
        file.WriteAt(0, header.data(), header.size());
        contents.bytes.assign(header.begin(), header.end());
        contents.status = kUserFound;
        return {};
    }
    // A record added behind a foreign header would be invisible to every reader, so such a file is
    // refused as a whole.
    return read;
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

PasswordFileRecord FreedCopyOf(PasswordRecordBytes record)
{
    PasswordFileRecord freed = CopyOf(record);
    ConvertOldUserRecord(freed);
    freed[kRecordTypeOffset] = kFreeRecordType;
    return freed;
}

// The name as SaveUser stores it, so that whatever was saved can be found with the same name.
std::string_view StoredName(std::string_view userName)
{
    return FitFixedText(userName, userrecord::kUserNameSize);
}

// The records of a name that a change frees, chosen on the image of the held file.
struct FreedRecords {
    std::vector<RecordWrite> writes;
    int users = 0;
};

// The user records of the name that `freed` picks, and the access records of the name unless a user of
// it stays; access records without any user of the name only if asked to.
void CollectFreed(const PasswordImage& image, std::string_view name,
    const std::function<bool(const UserRecord&)>& freed, bool orphanAccessRecords, FreedRecords& result)
{
    std::vector<RecordWrite> users;
    std::vector<RecordWrite> accesses;
    bool userRemains = false;
    for (uint64_t i = 0; i < image.WholeRecords(); ++i) {
        const PasswordRecordBytes record = image.Record(i);
        const uint8_t type = RecordTypeOf(record);
        if ((type != kUserRecordType && type != kAccessRecordType) || StoredUserName(record) != name)
            continue;
        if (type == kAccessRecordType)
            accesses.push_back({ i, FreedCopyOf(record) });
        else if (freed(UserRecord::Decode(record)))
            users.push_back({ i, FreedCopyOf(record) });
        else
            userRemains = true;
    }
    if (users.empty() && !orphanAccessRecords)
        return;
    result.users += users.empty() ? 0 : 1;
    result.writes.insert(result.writes.end(), users.begin(), users.end());
    // An access record goes with the last user of its name, never from under a user that stays.
    if (!userRemains)
        result.writes.insert(result.writes.end(), accesses.begin(), accesses.end());
}

// Frees what was collected, the file held exclusively, records in file order.
void WriteFreed(File& file, const PasswordImage& image, FreedRecords& freed)
{
    std::sort(freed.writes.begin(), freed.writes.end(),
        [](const RecordWrite& a, const RecordWrite& b) { return a.index < b.index; });
    const auto count = static_cast<uint32_t>(freed.writes.size());
    const uint32_t inUse = image.RecordsInUse();
    WriteChanges(file, *image.Header(), inUse >= count ? inUse - count : 0, freed.writes);
}

// The deletions' one opening: holds the existing file exclusively, reads it, lets `collect` choose on
// what was read, and frees what it chose within the same hold. The value is what was freed.
Result<FreedRecords> FreeWithinHold(const FileEnvironment& environment, const std::string& fileName,
    const std::function<void(const PasswordImage& image, FreedRecords& freed)>& collect)
{
    SharedFile file(environment);
    PasswordFileContents contents;
    if (Status held = HoldForChange(file, fileName, false, contents, kDeleteOperation); !held)
        return held.Error();
    // The file is held exclusively, so it can be decided as a whole before anything is written.
    const PasswordImage image(contents.bytes);
    FreedRecords freed;
    collect(image, freed);
    if (!freed.writes.empty())
        WriteFreed(file, image, freed);
    return freed;
}

} // namespace

PasswordFileStore::PasswordFileStore(NativePath loginPath, const FileEnvironment& environment)
    : m_loginPath(std::move(loginPath))
    , m_fileName(PasswordFilePath(m_loginPath))
    , m_environment(&environment)
{
}

Status PasswordFileStore::Create() const
{
    if (FileExists(m_fileName))
        return {};
    SharedFile file(*m_environment);
    if (!file.OpenWithRetry(m_fileName, kCreateShared))
        return OpenFailure("the user file could not be created", m_fileName, file.LastOpenError());
    if (file.GetLength() == 0)
        WriteHeader(file, PasswordFileHeader {});
    return {};
}

Result<std::vector<UserEntry>> PasswordFileStore::LoadUsers() const
{
    PasswordFileContents contents;
    if (Status read = ReadForReading(*m_environment, m_fileName, contents); !read)
        return read.Error();
    return ParseUsers(PasswordImage(contents.bytes));
}

Status PasswordFileStore::ForEachUser(const std::function<void(const UserRecord& user)>& visit) const
{
    SharedFile file(*m_environment);
    if (!file.OpenWithRetry(m_fileName, kReadShared))
        return OpenFailure(kReadOperation, m_fileName, file.LastOpenError());
    if (IsOversized(file))
        return Damaged(kReadOperation, m_fileName, DescribeOversizedPasswordFile(file.GetLength()));

    // The file in pieces of many records into one buffer, so that listing thousands of users touches
    // little memory; the first piece begins with the header, and a piece's torn last record is carried
    // over to the next. Read to the end rather than trusting the length, which another program may be
    // changing, but never past the largest password file.
    std::vector<unsigned char> piece(kHeaderSize + kRecordsPerPiece * kRecordSize);
    size_t got = file.Read(piece.data(), piece.size());
    const PasswordImage header(std::span(piece.data(), got));
    if (!header.Header())
        return Damaged(kReadOperation, m_fileName, DescribeShortPasswordHeader(header.HeaderLength()));
    if (!header.IsPasswordFile())
        return Damaged(kReadOperation, m_fileName, DescribeWrongPasswordTitle());
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

FoundUser PasswordFileStore::FindUser(std::string_view userName) const
{
    FoundUser found;
    PasswordFileContents contents;
    static_cast<void>(ReadForReading(*m_environment, m_fileName, contents));
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

Result<std::optional<UserEntry>> PasswordFileStore::LookUpUser(std::string_view userName) const
{
    PasswordFileContents contents;
    if (Status read = ReadForReading(*m_environment, m_fileName, contents); !read)
        return read.Error();
    const PasswordImage image(contents.bytes);
    const UserRecordIndices records = FindUserRecords(image, userName);
    if (!records.user)
        return std::optional<UserEntry>();
    UserEntry entry;
    entry.user = UserRecord::Decode(image.Record(*records.user));
    if (records.access)
        entry.access = UserAccessRecord::Decode(image.Record(*records.access));
    return std::optional<UserEntry>(std::move(entry));
}

Status PasswordFileStore::SaveUser(
    std::string_view userName, SaveMode mode, const UserChange& change, const UserRule& rule) const
{
    SharedFile file(*m_environment);
    PasswordFileContents contents;
    if (Status held = HoldForChange(file, m_fileName, mode != SaveMode::ReplaceOnly, contents, kSaveOperation); !held)
        return held;

    const PasswordImage image(contents.bytes);
    const std::string name(StoredName(userName));
    const UserRecordIndices found = FindUserRecords(image, name);
    if (mode == SaveMode::CreateOnly && found.user)
        return Refused(Failure::Refusal::AlreadyExists, kSaveOperation, m_fileName, "a user " + name + " exists");
    if (mode == SaveMode::ReplaceOnly && !found.user)
        return Refused(Failure::Refusal::NotFound, kSaveOperation, m_fileName, "no user " + name);

    // The change starts from the stored user (the last of its name) with its last access record.
    UserEntry stored;
    stored.user.userName = name;
    if (found.user)
        stored.user = UserRecord::Decode(image.Record(*found.user));
    if (found.access)
        stored.access = UserAccessRecord::Decode(image.Record(*found.access));
    change(stored);
    if (const auto refusal = rule ? rule(stored) : std::nullopt)
        return Refused(Failure::Refusal::BadValue, kSaveOperation, m_fileName, *refusal);
    const std::string newName(StoredName(stored.user.userName));
    stored.user.userName = newName;
    stored.access.userName = newName;

    std::vector<RecordWrite> writes;
    uint32_t inUse = image.RecordsInUse();
    // A rename takes the user's own records along; the new name must be free, and an access record
    // left behind under it by a deleted user goes, or it would become the renamed user's.
    if (newName != name) {
        const UserRecordIndices taken = FindUserRecords(image, newName);
        if (taken.user)
            return Refused(
                Failure::Refusal::AlreadyExists, kSaveOperation, m_fileName, "a user " + newName + " exists");
        if (taken.access && taken.access != found.access) {
            writes.push_back({ *taken.access, FreedCopyOf(image.Record(*taken.access)) });
            --inUse;
        }
    }

    // The last two free slots: a new user takes the last, its access record the one before.
    std::vector<uint64_t> freeSlots;
    for (uint64_t i = image.WholeRecords(); i-- > 0 && freeSlots.size() < 2;)
        if (IsFreeSlot(image.Record(i)))
            freeSlots.insert(freeSlots.begin(), i);
    uint64_t end = image.WholeRecords();
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
    writes.push_back({ place(found.user), stored.user.Encode() });
    writes.push_back({ place(found.access), stored.access.Encode() });
    WriteChanges(file, *image.Header(), inUse, writes);
    return {};
}

Result<int> PasswordFileStore::DeleteUsers(std::span<const std::string> userNames) const
{
    const Result<FreedRecords> freed
        = FreeWithinHold(*m_environment, m_fileName, [&](const PasswordImage& image, FreedRecords& chosen) {
              std::vector<std::string_view> done;
              for (const std::string& userName : userNames) {
                  const std::string_view name = StoredName(userName);
                  if (std::find(done.begin(), done.end(), name) != done.end())
                      continue;
                  done.push_back(name);
                  CollectFreed(
                      image, name, [](const UserRecord&) { return true; }, false, chosen);
              }
          });
    if (!freed)
        return freed.Error();
    if (freed->users == 0) {
        const std::string names = userNames.size() == 1 ? userNames.front() : "any of the names";
        return Refused(Failure::Refusal::NotFound, kDeleteOperation, m_fileName, "no user " + names);
    }
    return freed->users;
}

Result<int> PasswordFileStore::DeleteUser(
    std::string_view userName, std::string_view fullName, std::string_view description) const
{
    // Compared as SaveUser stores them, so that whatever was saved can be deleted with the same texts.
    const std::string_view full = FitFixedText(fullName, userrecord::kFullNameSize);
    const std::string_view about = FitFixedText(description, userrecord::kDescriptionSize);
    const Result<FreedRecords> freed
        = FreeWithinHold(*m_environment, m_fileName, [&](const PasswordImage& image, FreedRecords& chosen) {
              CollectFreed(
                  image, StoredName(userName),
                  [&](const UserRecord& user) { return user.fullName == full && user.description == about; }, true,
                  chosen);
          });
    if (!freed)
        return freed.Error();
    return static_cast<int>(freed->writes.size());
}

Result<int> PasswordFileStore::DeleteUserRecords(std::string_view userName) const
{
    const Result<FreedRecords> freed
        = FreeWithinHold(*m_environment, m_fileName, [&](const PasswordImage& image, FreedRecords& chosen) {
              CollectFreed(
                  image, StoredName(userName), [](const UserRecord&) { return true; }, false, chosen);
          });
    if (!freed)
        return freed.Error();
    return static_cast<int>(freed->writes.size());
}

bool PasswordFileStore::IsLogonRequired()
{
    if (!FileExists(kFileName))
        return true;
    File file;
    if (file.OpenOnce(kFileName, kReadShared) != kCauseNone)
        return true;
    const auto header = ReadHeader(file);
    return !header || !header->HasValidTitle() || IsOversized(file) || header->recordCount != 0;
}

} // namespace custodia
