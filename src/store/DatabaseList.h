#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace custodia {

// "tessel.dbs": a record file holding one record (kind 'W', sub-kind 1) with the database list image.
namespace databaselist {
inline constexpr const char kFileName[] = "tessel.dbs";
inline constexpr uint8_t kKind = 87; // 'W'
inline constexpr uint8_t kSubKind = 1;

inline constexpr int kSlotCount = 16; // room in the arrays
inline constexpr int kShownSlotCount = 10; // the slots the console shows and edits
inline constexpr size_t kPathOffset = 0;
inline constexpr size_t kPathSize = 257;
inline constexpr size_t kMirrorPathOffset = kPathOffset + kSlotCount * kPathSize; // 4112
inline constexpr size_t kMirrorSwitchOffset = kMirrorPathOffset + kSlotCount * kPathSize; // 8224
inline constexpr size_t kDescriptionOffset = kMirrorSwitchOffset + kSlotCount; // 8240
inline constexpr size_t kDescriptionSize = 51;
inline constexpr size_t kUnusedOffset = kDescriptionOffset + kSlotCount * kDescriptionSize; // 9056
inline constexpr size_t kSize = 19296;
// The editing dialog's limits; the fields themselves hold more.
inline constexpr size_t kMaxPathLength = 128;
inline constexpr size_t kMaxDescriptionLength = kDescriptionSize - 1; // 50
} // namespace databaselist

// The database list image, handled as one block: reading and writing go through the fields of a slot,
// and every other byte, bytes 9056 onwards included, stays exactly as it was read. Slots outside 0..15
// read as empty and are never written.
class DatabaseList final {
public:
    using Image = std::array<unsigned char, databaselist::kSize>;

    DatabaseList() = default;
    explicit DatabaseList(const Image& image)
        : m_image(image)
    {
    }

    const Image& GetImage() const { return m_image; }
    Image& GetImage() { return m_image; }

    std::string GetPath(int slot) const;
    std::string GetMirrorPath(int slot) const;
    bool IsMirrorOn(int slot) const;
    std::string GetDescription(int slot) const;
    // A slot whose fields are all empty.
    bool IsSlotEmpty(int slot) const;

    // Texts are cut to their fields (256 characters for the paths, 50 for the description).
    void SetPath(int slot, std::string_view path);
    void SetMirrorPath(int slot, std::string_view path);
    void SetMirrorOn(int slot, bool on);
    void SetDescription(int slot, std::string_view description);

private:
    Image m_image {};
};

} // namespace custodia
