// The batch operation of PasswordFileStore: many users saved and deleted in one hold of "tessel.pwd".
#include "store/PasswordFileBatch.h"

#include "platform/Endian.h"
#include "platform/Failure.h"
#include "platform/SharedFile.h"
#include "store/FixedText.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordFileStore.h"
#include "store/PasswordImage.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace custodia {

using namespace passwordfile;

namespace {

constexpr unsigned kUpdateExclusive = openflags::kBinary | openflags::kReadWrite | openflags::kShareExclusive;
// Never truncating: a file another program created meanwhile keeps its users.
constexpr unsigned kCreateExclusive = openflags::kBinary | openflags::kCreate | openflags::kNoTruncate
    | openflags::kReadWrite | openflags::kShareExclusive | openflags::kPrivate;

const char* const kOperation = "the users could not be saved";

Failure Damaged(const std::string& fileName, std::string detail)
{
    return Refused(Failure::Refusal::Damaged, kOperation, fileName, std::move(detail));
}

// Where the records of one name lie: the last user record and the last access record count, as the
// readers deliver them; a delete frees them all.
struct NameRecords {
    std::optional<uint64_t> user;
    std::optional<uint64_t> access;
    std::vector<uint64_t> all;
};

// The held file's bytes, changed in memory; the range that changed is written back in one write.
class BatchImage final {
public:
    explicit BatchImage(std::vector<unsigned char>& bytes)
        : m_bytes(bytes)
    {
        const PasswordImage image(m_bytes);
        m_records = image.WholeRecords();
        m_countBefore = image.Header()->recordCount;
        for (uint64_t i = 0; i < m_records; ++i) {
            const PasswordRecordBytes record = image.Record(i);
            const uint8_t type = RecordTypeOf(record);
            if (type == kFreeRecordType)
                m_free.push_back(i);
            if (type != kUserRecordType && type != kAccessRecordType)
                continue;
            NameRecords& name = m_names[std::string(StoredUserName(record))];
            (type == kUserRecordType ? name.user : name.access) = i;
            name.all.push_back(i);
        }
    }

    // Room for this many more users, so that thousands of new ones do not grow the image step by step.
    void Reserve(size_t users)
    {
        m_bytes.reserve(static_cast<size_t>(PasswordRecordOffset(m_records + 2 * users)));
        m_names.reserve(m_names.size() + users);
    }

    void Delete(std::string_view userName)
    {
        const auto found = m_names.find(std::string(FitFixedText(userName, userrecord::kUserNameSize)));
        if (found == m_names.end())
            return;
        for (const uint64_t index : found->second.all) {
            PasswordFileRecord freed {};
            std::copy_n(
                m_bytes.begin() + static_cast<ptrdiff_t>(PasswordRecordOffset(index)), kRecordSize, freed.begin());
            ConvertOldUserRecord(freed);
            freed[kRecordTypeOffset] = kFreeRecordType;
            Put(index, freed);
            m_free.push_back(index);
        }
        m_names.erase(found);
        std::sort(m_free.begin(), m_free.end());
    }

    // Over the last records of the name; a new user takes the last free slot and its access record the
    // one before, as a single save places them, else they go after the last whole record (over a torn
    // tail, which readers stepping 206 bytes from the header would otherwise never reach).
    void Save(const UserEntry& entry)
    {
        UserEntry stored = entry;
        stored.user.userName = FitFixedText(entry.user.userName, userrecord::kUserNameSize);
        stored.access.userName = stored.user.userName;
        NameRecords& name = m_names[stored.user.userName];
        if (!name.user)
            name.user = Place();
        if (!name.access)
            name.access = Place();
        Put(*name.user, stored.user.Encode());
        Put(*name.access, stored.access.Encode());
    }

    // The changed bytes, the record count of the header recounted, in one write.
    void WriteTo(File& file)
    {
        const uint32_t inUse = PasswordImage(m_bytes).RecordsInUse();
        if (inUse != m_countBefore) {
            WriteUint32LE(m_bytes.data() + kRecordCountOffset, inUse);
            Touch(kRecordCountOffset, kRecordCountOffset + 4);
        }
        if (m_changedEnd > m_changedBegin)
            file.WriteAt(m_changedBegin, m_bytes.data() + m_changedBegin, m_changedEnd - m_changedBegin);
    }

    void TouchHeader() { Touch(0, kHeaderSize); }

private:
    uint64_t Place()
    {
        if (m_free.empty())
            return m_records++;
        const uint64_t index = m_free.back();
        m_free.pop_back();
        return index;
    }

    void Put(uint64_t index, const PasswordFileRecord& record)
    {
        const uint64_t offset = PasswordRecordOffset(index);
        if (m_bytes.size() < offset + kRecordSize)
            m_bytes.resize(offset + kRecordSize);
        std::copy(record.begin(), record.end(), m_bytes.begin() + static_cast<ptrdiff_t>(offset));
        Touch(offset, offset + kRecordSize);
    }

    void Touch(uint64_t begin, uint64_t end)
    {
        m_changedBegin = std::min(m_changedBegin, begin);
        m_changedEnd = std::max(m_changedEnd, end);
    }

    std::vector<unsigned char>& m_bytes;
    uint64_t m_records = 0;
    uint32_t m_countBefore = 0;
    std::unordered_map<std::string, NameRecords> m_names;
    std::vector<uint64_t> m_free; // ascending
    uint64_t m_changedBegin = UINT64_MAX;
    uint64_t m_changedEnd = 0;
};

} // namespace

Status PasswordFileStore::ApplyUserBatch(const UserBatchDecision& decide) const
{
    // A missing file is decided on first, so that a refused batch does not leave a new file behind;
    // the decision is used again when the file is still empty once it is held.
    const bool exists = FileExists(m_fileName);
    std::optional<Result<UserBatch>> early;
    if (!exists) {
        early = decide({});
        if (!*early)
            return early->Error();
    }
    SharedFile file(*m_environment);
    // An existing file that cannot be opened is never created anew: that would wipe every user in it.
    if (!file.OpenWithRetry(m_fileName, exists ? kUpdateExclusive : kCreateExclusive))
        return OpenFailure(kOperation, m_fileName, file.LastOpenError());
    std::vector<unsigned char> bytes;
    if (!file.ReadWhole(bytes, kMaxFileLength))
        return Damaged(m_fileName, DescribeOversizedPasswordFile(file.GetLength()));
    // Empty: just created, or left so by a program that died creating it; it can hold no user.
    const bool fresh = bytes.empty();
    if (fresh) {
        const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
        bytes.assign(header.begin(), header.end());
    }
    const PasswordImage image(bytes);
    if (!image.Header())
        return Damaged(m_fileName, DescribeShortPasswordHeader(image.HeaderLength()));
    // A record added behind a foreign header would be invisible to every reader.
    if (!image.IsPasswordFile())
        return Damaged(m_fileName, DescribeWrongPasswordTitle());

    BatchImage changed(bytes);
    if (fresh)
        changed.TouchHeader();
    const Result<UserBatch> batch = early && fresh ? std::move(*early) : decide(ParseUsers(image));
    if (batch) {
        for (const std::string& name : batch->deletes)
            changed.Delete(name);
        changed.Reserve(batch->saves.size());
        for (const UserEntry& entry : batch->saves)
            changed.Save(entry);
    }
    // A refused batch writes nothing but the header of a file it found empty.
    changed.WriteTo(file);
    if (!batch)
        return batch.Error();
    return {};
}

} // namespace custodia
