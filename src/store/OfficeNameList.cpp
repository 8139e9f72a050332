#include "store/OfficeNameList.h"

#include "platform/Platform.h"
#include "store/FixedText.h"
#include "store/SharedFile.h"

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
    const std::string fileName = GetFileName();
    if (FileExists(fileName)) {
        std::vector<RecordRequest> none; // only the file's soundness counts
        if (!ReadRecords(fileName, none).WasRead())
            return kOfficeFileDamaged;
    }
    if (WriteRecord(fileName, kKind, kSubKind, m_entries, true) == 0)
        return kOfficeFileNotWritten;
    m_wasRead = true;
    m_lastLoad = {};
    return kOfficesSaved;
}

} // namespace custodia
