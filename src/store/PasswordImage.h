#pragma once

#include "store/PasswordFile.h"
#include "store/UserEntry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace custodia {

// "tessel.pwd" as read into memory, taken apart without copying: the header and the whole records
// behind it. The bytes may be anything another program, or damage, left in a shared file: every
// length is checked against them and nothing outside them is ever read. The bytes must outlive it.
class PasswordImage final {
public:
    explicit PasswordImage(std::span<const unsigned char> bytes);

    uint64_t Length() const { return m_bytes.size(); }
    // How much of a header the bytes hold (at most 54).
    size_t HeaderLength() const;
    // None when the bytes are shorter than a header.
    const std::optional<PasswordFileHeader>& Header() const { return m_header; }
    // A whole header with the right title: the only file whose records anyone reads.
    bool IsPasswordFile() const { return m_header && m_header->HasValidTitle(); }
    // Records of a file that is no password file are not counted; a torn tail is no record.
    uint64_t WholeRecords() const { return m_wholeRecords; }
    // The bytes of record index (below WholeRecords()).
    PasswordRecordBytes Record(uint64_t index) const;
    // Records of type user or access: what the header's count should say.
    uint32_t RecordsInUse() const;

private:
    std::span<const unsigned char> m_bytes;
    std::optional<PasswordFileHeader> m_header;
    uint64_t m_wholeRecords = 0;
};

// The name of a user record of either layout, or of an access record, where it lies in the record, as
// the decoders read it; empty for records of other types.
std::string_view StoredUserName(PasswordRecordBytes record);

// Every user of the image in file order, each with the last access record of its name in the file
// (before or after it), or an all-zero one. Nothing for an image that is no password file.
std::vector<UserEntry> ParseUsers(const PasswordImage& image);

// The last user record and the last access record of a name, by index.
struct UserRecordIndices {
    std::optional<uint64_t> user;
    std::optional<uint64_t> access;
};
UserRecordIndices FindUserRecords(const PasswordImage& image, std::string_view userName);

} // namespace custodia
