#pragma once

#include "store/RecordFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace custodia {

// "officena.mes" in a database folder: one record (kind 'A', sub-kind 0) of 100 entries of 60 bytes,
// entry n - 1 for office n.
namespace officenames {
inline constexpr const char kFileName[] = "officena.mes";
inline constexpr uint8_t kKind = 65; // 'A'
inline constexpr uint8_t kSubKind = 0;
inline constexpr int kOfficeCount = 100;
inline constexpr size_t kEntrySize = 60;
inline constexpr size_t kNumberTextOffset = 0;
inline constexpr size_t kNumberTextSize = 10;
inline constexpr size_t kNameOffset = 10;
inline constexpr size_t kNameSize = 50;
inline constexpr size_t kSize = kOfficeCount * kEntrySize; // 6000
inline constexpr size_t kMaxNumberTextLength = kNumberTextSize - 1; // 9
inline constexpr size_t kMaxNameLength = kNameSize - 1; // 49
} // namespace officenames

// SaveOffices results.
enum OfficeSaveResult : int {
    kOfficesSaved = 0,
    // The file is there but cannot be read whole or fails its check: writing into it would replace the
    // other offices, which could not be read, with empty ones.
    kOfficeFileDamaged = 1,
    kOfficeFileNotWritten = 2,
};

// The office names of one database folder, loaded on construction. A missing or damaged file, or one
// without the record, gives 100 empty offices.
class OfficeNameList final : public RecordFile {
public:
    using Entries = std::array<unsigned char, officenames::kSize>;

    explicit OfficeNameList(std::string folder);

    // Reads the file again; true if the record was found in a sound file.
    bool Load();
    bool WasRead() const { return m_wasRead; }
    // How the last Load went: a sound file without the record is Read, with empty offices.
    const FileReadResult& LastLoad() const { return m_lastLoad; }

    const std::string& GetFolder() const { return m_folder; }
    // The file is always named from the folder text, even an empty one, which then names the file at
    // the root of the file system.
    std::string GetFileName() const;

    // Office numbers run from 1 to 100; others read as empty.
    std::string GetNumberText(int office) const;
    std::string GetName(int office) const;
    const Entries& GetEntries() const { return m_entries; }

    // Changes one office in memory, texts cut to 9 and 49 characters. False for a number outside 1..100.
    bool SetOffice(int office, std::string_view numberText, std::string_view name);
    // Writes every office as the file's record, creating the file or the record when missing.
    OfficeSaveResult Save();
    // Changes one office in the file as it is at the moment of writing, under one hold of the file, so
    // that another program's change of other offices stays; the list then holds what was written.
    OfficeSaveResult ChangeOffice(int office, std::string_view numberText, std::string_view name);

private:
    OfficeSaveResult Store(const std::function<void(std::span<unsigned char> data)>& fill);

    std::string m_folder;
    Entries m_entries {};
    bool m_wasRead = false;
    FileReadResult m_lastLoad;
};

} // namespace custodia
