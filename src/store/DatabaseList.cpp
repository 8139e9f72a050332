#include "store/DatabaseList.h"

#include "store/FixedText.h"

namespace custodia {

using namespace databaselist;

namespace {

bool IsSlot(int slot)
{
    return slot >= 0 && slot < kSlotCount;
}

size_t At(size_t arrayOffset, size_t elementSize, int slot)
{
    return arrayOffset + static_cast<size_t>(slot) * elementSize;
}

} // namespace

std::string DatabaseList::GetPath(int slot) const
{
    return IsSlot(slot) ? ReadFixedText(m_image.data() + At(kPathOffset, kPathSize, slot), kPathSize) : std::string();
}

std::string DatabaseList::GetMirrorPath(int slot) const
{
    return IsSlot(slot) ? ReadFixedText(m_image.data() + At(kMirrorPathOffset, kPathSize, slot), kPathSize)
                        : std::string();
}

bool DatabaseList::IsMirrorOn(int slot) const
{
    return IsSlot(slot) && m_image[At(kMirrorSwitchOffset, 1, slot)] != 0;
}

std::string DatabaseList::GetDescription(int slot) const
{
    return IsSlot(slot)
        ? ReadFixedText(m_image.data() + At(kDescriptionOffset, kDescriptionSize, slot), kDescriptionSize)
        : std::string();
}

bool DatabaseList::IsSlotEmpty(int slot) const
{
    return GetPath(slot).empty() && GetMirrorPath(slot).empty() && !IsMirrorOn(slot) && GetDescription(slot).empty();
}

void DatabaseList::SetPath(int slot, std::string_view path)
{
    if (IsSlot(slot))
        WriteFixedText(m_image.data() + At(kPathOffset, kPathSize, slot), kPathSize, path);
}

void DatabaseList::SetMirrorPath(int slot, std::string_view path)
{
    if (IsSlot(slot))
        WriteFixedText(m_image.data() + At(kMirrorPathOffset, kPathSize, slot), kPathSize, path);
}

void DatabaseList::SetMirrorOn(int slot, bool on)
{
    if (IsSlot(slot))
        m_image[At(kMirrorSwitchOffset, 1, slot)] = on ? 1 : 0;
}

void DatabaseList::SetDescription(int slot, std::string_view description)
{
    if (IsSlot(slot))
        WriteFixedText(m_image.data() + At(kDescriptionOffset, kDescriptionSize, slot), kDescriptionSize, description);
}

} // namespace custodia
