#include "store/OfficeNameList.h"

#include "platform/Platform.h"
#include "platform/Result.h"
#include "store/FixedText.h"

#include <algorithm>

namespace custodia {

using namespace officenames;

namespace {

bool IsOffice(int office)
{
    return office >= 1 && office <= kOfficeCount;
}

size_t EntryOffset(int office)
{
    return static_cast<size_t>(office - 1) * kEntrySize;
}

} // namespace

OfficeNameList::OfficeNameList(std::string folder)
    : m_folder(std::move(folder))
{
    Load();
}

std::string OfficeNameList::GetFileName() const
{
    return m_folder + kPathSeparator + kFileName;
}

bool OfficeNameList::Load()
{
    m_entries.fill(0);
    std::vector<RecordRequest> requests { RecordRequest { kKind, kSubKind, m_entries, 0 } };
    m_lastLoad = ReadRecords(GetFileName(), requests);
    m_wasRead = m_lastLoad.WasRead() && requests.front().bytesRead > 0;
    return m_wasRead;
}

std::string OfficeNameList::GetNumberText(int office) const
{
    if (!IsOffice(office))
        return {};
    return ReadFixedText(m_entries.data() + EntryOffset(office) + kNumberTextOffset, kNumberTextSize);
}

std::string OfficeNameList::GetName(int office) const
{
    if (!IsOffice(office))
        return {};
    return ReadFixedText(m_entries.data() + EntryOffset(office) + kNameOffset, kNameSize);
}

bool OfficeNameList::SetOffice(int office, std::string_view numberText, std::string_view name)
{
    if (!IsOffice(office))
        return false;
    WriteFixedText(m_entries.data() + EntryOffset(office) + kNumberTextOffset, kNumberTextSize, numberText);
    WriteFixedText(m_entries.data() + EntryOffset(office) + kNameOffset, kNameSize, name);
    return true;
}

OfficeSaveResult OfficeNameList::Save()
{
    return Store(
        [this](std::span<unsigned char> data) { std::copy(m_entries.begin(), m_entries.end(), data.begin()); });
}

OfficeSaveResult OfficeNameList::ChangeOffice(int office, std::string_view numberText, std::string_view name)
{
    if (!IsOffice(office))
        return kOfficeFileNotWritten;
    return Store([&](std::span<unsigned char> data) {
        std::copy(data.begin(), data.end(), m_entries.begin());
        SetOffice(office, numberText, name);
        std::copy(m_entries.begin(), m_entries.end(), data.begin());
    });
}

OfficeSaveResult OfficeNameList::Store(const std::function<void(std::span<unsigned char> data)>& fill)
{
    // A damaged file is left alone: writing into it would replace the offices it still holds, which
    // could not be read, with empty ones.
    const Result<bool> result = ChangeRecord(GetFileName(), kKind, kSubKind, kSize, [&](std::span<unsigned char> data) {
        fill(data);
        return true;
    });
    if (!result)
        return result.Error().refusal == Failure::Refusal::Damaged ? kOfficeFileDamaged : kOfficeFileNotWritten;
    m_wasRead = true;
    m_lastLoad = {};
    return kOfficesSaved;
}

} // namespace custodia
