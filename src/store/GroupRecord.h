#pragma once

#include "store/GroupEntry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace custodia {

// A group in a profile file: one record of kind 'R' whose sub-kind is the group number.
namespace grouprecord {
inline constexpr uint8_t kKind = 82; // 'R'
inline constexpr size_t kNameOffset = 0;
inline constexpr size_t kNameSize = 100;
inline constexpr size_t kDescriptionOffset = 100;
inline constexpr size_t kDescriptionSize = 100;
inline constexpr size_t kRightsOffset = 200;
inline constexpr size_t kRightsSize = 1000;
inline constexpr size_t kSize = 1200;
inline constexpr size_t kMaxNameLength = kNameSize - 1; // 99
inline constexpr int kGroupCount = 256;
} // namespace grouprecord

using GroupRecordBytes = std::array<unsigned char, grouprecord::kSize>;

struct GroupRecord {
    std::string name;
    std::string description; // the console always writes it empty
    std::array<unsigned char, grouprecord::kRightsSize> rights {}; // one byte per position: 0 or 1

    static GroupRecord Decode(const GroupRecordBytes& bytes);
    // Texts cut to their fields.
    GroupRecordBytes Encode() const;
};

// Every group a profile file's image holds, by number: each group is its first record that fits a
// group record; a larger one is passed over, and a shorter one reads as if the rest were zero.
std::vector<GroupEntry> GroupEntriesIn(std::span<const unsigned char> image);

} // namespace custodia
