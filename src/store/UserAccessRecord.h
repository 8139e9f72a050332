#pragma once

#include "store/PasswordFile.h"

#include <array>
#include <cstddef>
#include <string>

namespace custodia {

// A user's office selection in "tessel.pwd" (record type 2), tied to its user record by the name.
namespace accessrecord {
inline constexpr size_t kUserNameOffset = 7;
inline constexpr size_t kUserNameSize = 43;
inline constexpr size_t kOfficeSelectionOffset = 50;
inline constexpr size_t kSlotSize = 13;
inline constexpr int kSlotCount = 11;
inline constexpr size_t kOfficeSelectionSize = kSlotSize * kSlotCount; // 143
// Slots 0..9 follow the database list; this one belongs to the current database path.
inline constexpr int kCurrentDatabaseSlot = 10;
inline constexpr int kMaxOffice = 100;
} // namespace accessrecord

struct UserAccessRecord {
    std::string userName;
    // Per slot: bit 0 of byte 0 switches office selection on; bit n (byte n / 8, bit n % 8) allows
    // office n (1..100).
    std::array<unsigned char, accessrecord::kOfficeSelectionSize> officeSelection {};

    // Slots outside 0..10 and offices outside 1..100 read as off and are never written.
    bool IsOfficeSelectionEnabled(int slot) const;
    void SetOfficeSelectionEnabled(int slot, bool enabled);
    bool IsOfficeAllowed(int slot, int office) const;
    void SetOfficeAllowed(int slot, int office, bool allowed);

    static UserAccessRecord Decode(PasswordRecordBytes record);
    // The same into an existing record, whose name keeps its storage.
    static void DecodeInto(PasswordRecordBytes record, UserAccessRecord& access);
    // Record type 2, the name cut to its field, the selection; every other byte zero.
    PasswordFileRecord Encode() const;

    bool operator==(const UserAccessRecord&) const = default;
};

} // namespace custodia
