#include "store/UserAccessRecord.h"

#include "store/FixedText.h"

#include <algorithm>

namespace custodia {

using namespace accessrecord;

namespace {

bool IsSlot(int slot)
{
    return slot >= 0 && slot < kSlotCount;
}

bool IsOffice(int office)
{
    return office >= 1 && office <= kMaxOffice;
}

size_t BitByte(int slot, int bit)
{
    return static_cast<size_t>(slot) * kSlotSize + static_cast<size_t>(bit) / 8;
}

unsigned char BitMask(int bit)
{
    return static_cast<unsigned char>(1u << (bit % 8));
}

} // namespace

bool UserAccessRecord::IsOfficeSelectionEnabled(int slot) const
{
    return IsSlot(slot) && (officeSelection[BitByte(slot, 0)] & BitMask(0)) != 0;
}

void UserAccessRecord::SetOfficeSelectionEnabled(int slot, bool enabled)
{
    if (!IsSlot(slot))
        return;
    unsigned char& byte = officeSelection[BitByte(slot, 0)];
    byte = enabled ? (byte | BitMask(0)) : (byte & ~BitMask(0));
}

bool UserAccessRecord::IsOfficeAllowed(int slot, int office) const
{
    return IsSlot(slot) && IsOffice(office) && (officeSelection[BitByte(slot, office)] & BitMask(office)) != 0;
}

void UserAccessRecord::SetOfficeAllowed(int slot, int office, bool allowed)
{
    if (!IsSlot(slot) || !IsOffice(office))
        return;
    unsigned char& byte = officeSelection[BitByte(slot, office)];
    byte = allowed ? (byte | BitMask(office)) : (byte & ~BitMask(office));
}

UserAccessRecord UserAccessRecord::Decode(PasswordRecordBytes record)
{
    UserAccessRecord access;
    DecodeInto(record, access);
    return access;
}

void UserAccessRecord::DecodeInto(PasswordRecordBytes record, UserAccessRecord& access)
{
    access.userName.assign(ReadFixedTextView(record.data() + kUserNameOffset, kUserNameSize));
    std::copy_n(record.begin() + kOfficeSelectionOffset, kOfficeSelectionSize, access.officeSelection.begin());
}

PasswordFileRecord UserAccessRecord::Encode() const
{
    PasswordFileRecord record {};
    record[passwordfile::kRecordTypeOffset] = passwordfile::kAccessRecordType;
    WriteFixedText(record.data() + kUserNameOffset, kUserNameSize, userName);
    std::copy(officeSelection.begin(), officeSelection.end(), record.begin() + kOfficeSelectionOffset);
    return record;
}

} // namespace custodia
