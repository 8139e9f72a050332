#include "store/PasswordImage.h"

#include "store/FixedText.h"
#include "store/UserAccessRecord.h"
#include "store/UserRecord.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace custodia {

using namespace passwordfile;

namespace {

// The records of the two kinds a user list is made of, by index.
struct RecordsByKind {
    std::vector<uint32_t> users;
    std::vector<uint32_t> accesses;
};

RecordsByKind SortRecords(const PasswordImage& image)
{
    RecordsByKind kinds;
    // The file size cap keeps every index far below 32 bits.
    const auto count = static_cast<uint32_t>(image.WholeRecords());
    // Most files hold a user and its access record for each user.
    kinds.users.reserve(count / 2 + 1);
    kinds.accesses.reserve(count / 2 + 1);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t type = RecordTypeOf(image.Record(i));
        if (type == kUserRecordType)
            kinds.users.push_back(i);
        else if (type == kAccessRecordType)
            kinds.accesses.push_back(i);
    }
    return kinds;
}

// The access records of an image by name, the last of each name counting: an open-addressing table of
// record indices, so that pairing thousands of users costs no allocation per user.
class AccessIndex final {
public:
    AccessIndex(const PasswordImage& image, const std::vector<uint32_t>& accesses)
        : m_image(image)
        , m_slots(std::bit_ceil(2 * accesses.size() + 2), kEmpty) // at most half full: searches stay short
    {
        for (const uint32_t index : accesses)
            m_slots[SlotOf(StoredUserName(image.Record(index)))] = index;
    }

    std::optional<uint32_t> Last(std::string_view name) const
    {
        const uint32_t index = m_slots[SlotOf(name)];
        return index == kEmpty ? std::nullopt : std::optional<uint32_t>(index);
    }

private:
    static constexpr uint32_t kEmpty = std::numeric_limits<uint32_t>::max();

    // FNV-1a: names are short and often differ only in their last characters.
    static size_t Hash(std::string_view name)
    {
        uint32_t hash = 2166136261u;
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        return hash;
    }

    // The slot holding the name, or the empty slot where it belongs.
    size_t SlotOf(std::string_view name) const
    {
        const size_t mask = m_slots.size() - 1;
        size_t slot = Hash(name) & mask;
        while (m_slots[slot] != kEmpty && StoredUserName(m_image.Record(m_slots[slot])) != name)
            slot = (slot + 1) & mask;
        return slot;
    }

    const PasswordImage& m_image;
    std::vector<uint32_t> m_slots;
};

std::string_view FieldText(PasswordRecordBytes record, size_t offset, size_t size)
{
    return ReadFixedTextView(record.data() + offset, size);
}

} // namespace

PasswordImage::PasswordImage(std::span<const unsigned char> bytes)
    : m_bytes(bytes)
{
    if (bytes.size() < kHeaderSize)
        return;
    PasswordFileHeaderBytes header {};
    std::copy_n(bytes.begin(), kHeaderSize, header.begin());
    m_header = PasswordFileHeader::Decode(header);
    if (m_header->HasValidTitle())
        m_wholeRecords = (bytes.size() - kHeaderSize) / kRecordSize;
}

size_t PasswordImage::HeaderLength() const
{
    return std::min(m_bytes.size(), kHeaderSize);
}

PasswordRecordBytes PasswordImage::Record(uint64_t index) const
{
    return PasswordRecordBytes(m_bytes.data() + PasswordRecordOffset(index), kRecordSize);
}

uint32_t PasswordImage::RecordsInUse() const
{
    uint64_t inUse = 0;
    for (uint64_t i = 0; i < m_wholeRecords; ++i) {
        const uint8_t type = RecordTypeOf(Record(i));
        inUse += type == kUserRecordType || type == kAccessRecordType ? 1 : 0;
    }
    // The file size cap keeps this far below the field's range; saturating keeps it from wrapping anyway.
    return static_cast<uint32_t>(std::min<uint64_t>(inUse, std::numeric_limits<uint32_t>::max()));
}

std::string_view StoredUserName(PasswordRecordBytes record)
{
    switch (RecordTypeOf(record)) {
    case kUserRecordType:
        if (IsOldUserRecord(record)) {
            // The older layout's wider name field keeps its first 42 characters when converted.
            const std::string_view old = FieldText(record, userrecord::kOldUserNameOffset, userrecord::kOldTextSize);
            return old.substr(0, std::min(old.size(), userrecord::kMaxUserNameLength));
        }
        return FieldText(record, userrecord::kUserNameOffset, userrecord::kUserNameSize);
    case kAccessRecordType:
        return FieldText(record, accessrecord::kUserNameOffset, accessrecord::kUserNameSize);
    default:
        return {};
    }
}

std::vector<UserEntry> ParseUsers(const PasswordImage& image)
{
    std::vector<UserEntry> users;
    if (!image.IsPasswordFile())
        return users;
    const RecordsByKind kinds = SortRecords(image);
    const AccessIndex accesses(image, kinds.accesses);
    users.reserve(kinds.users.size());
    for (const uint32_t index : kinds.users) {
        UserRecord user = UserRecord::Decode(image.Record(index));
        const auto access = accesses.Last(user.userName);
        users.push_back(UserEntry {
            std::move(user), access ? UserAccessRecord::Decode(image.Record(*access)) : UserAccessRecord {} });
    }
    return users;
}

UserRecordIndices FindUserRecords(const PasswordImage& image, std::string_view userName)
{
    UserRecordIndices found;
    for (uint64_t i = 0; i < image.WholeRecords(); ++i) {
        const PasswordRecordBytes record = image.Record(i);
        const uint8_t type = RecordTypeOf(record);
        if ((type != kUserRecordType && type != kAccessRecordType) || StoredUserName(record) != userName)
            continue;
        // No early stop: when a name occurs twice, the last record of each kind is the one that counts.
        (type == kUserRecordType ? found.user : found.access) = i;
    }
    return found;
}

} // namespace custodia
