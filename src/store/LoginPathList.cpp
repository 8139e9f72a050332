#include "store/LoginPathList.h"

#include "platform/FileException.h"
#include "platform/SharedFile.h"
#include "store/RecordFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace custodia {

using namespace loginpaths;

namespace {

using RecordBuffer = std::array<unsigned char, kRecordSize>;

// The text runs to the first zero byte, or to the end of the record when a foreign writer left none.
std::string TextOf(std::span<const unsigned char> record)
{
    const auto end = std::find(record.begin(), record.end(), 0);
    return std::string(record.begin(), end);
}

// Callers check the length first; the copy is bounded all the same.
RecordBuffer RecordOf(const std::string& path)
{
    RecordBuffer record {};
    std::memcpy(record.data(), path.data(), std::min(path.size(), record.size()));
    return record;
}

// A text that a record can hold, with or without its terminator: what a reader may find in the file.
bool FitsRecordData(const std::string& path)
{
    return path.size() <= kRecordSize && path.find('\0') == std::string::npos;
}

} // namespace

LoginPathList::LoginPathList(std::string fileName)
    : m_fileName(std::move(fileName))
{
    LoadLoginPaths();
}

LoginPathList::LoginPathList(std::string fileName, Unloaded)
    : m_fileName(std::move(fileName))
{
}

bool LoginPathList::FitsRecord(const std::string& path)
{
    return path.size() <= kMaxPathLength && path.find('\0') == std::string::npos;
}

FileReadResult LoginPathList::LoadLoginPaths()
{
    m_paths.clear();
    m_folders.clear();
    RecordBuffer record {};
    m_lastLoad = RecordFile().ForEachRecord(m_fileName, kRecordKind, kRecordSubKind, record,
        [&](std::span<const unsigned char> data) { AddListed(TextOf(data)); });
    return m_lastLoad;
}

const std::string* LoginPathList::ListedAs(const std::string& path) const
{
    return ListedAs(FolderIdentity(path));
}

const std::string* LoginPathList::ListedAs(const FolderIdentity& folder) const
{
    for (size_t i = 0; i < m_folders.size(); ++i) {
        if (m_folders[i].IsSameFolderAs(folder))
            return &m_paths[i];
    }
    return nullptr;
}

bool LoginPathList::AddLoginPath(const std::string& path)
{
    return FitsRecord(path) && AddListed(path);
}

bool LoginPathList::AddListed(const std::string& path)
{
    FolderIdentity folder(path);
    if (ListedAs(folder) != nullptr)
        return false;
    m_paths.push_back(path);
    m_folders.push_back(std::move(folder));
    return true;
}

bool LoginPathList::StoreLoginPath(const std::string& path)
{
    if (!FitsRecord(path))
        return false;
    const RecordBuffer record = RecordOf(path);
    const FolderIdentity folder(path);
    // Checked against the file itself under the same hold that appends, so that a folder another
    // program stored since this list was read is not stored twice.
    const Result<bool> appended = RecordFile().AppendRecordIfClear(m_fileName, kRecordKind, kRecordSubKind, record,
        [&](std::span<const unsigned char> stored) { return FolderIdentity(TextOf(stored)).IsSameFolderAs(folder); },
        {});
    return appended && *appended;
}

bool LoginPathList::RemoveLoginPath(const std::string& path)
{
    // A record another writer filled to the last byte is listed, so it can be removed as well.
    const size_t before = FitsRecordData(path) ? CountStoredRecords(path) : 0;
    // Without a record that a verified read can see there is nothing to delete, and opening the file
    // for writing would only re-seal whatever damage it has.
    if (before > 0) {
        const RecordBuffer record = RecordOf(path);
        static_cast<void>(RecordFile().DeleteFirstRecord(m_fileName, kRecordKind, kRecordSubKind,
            [&](std::span<const unsigned char> stored) {
                return std::equal(stored.begin(), stored.end(), record.begin(), record.end());
            },
            {}));
    }
    LoadLoginPaths();
    return before > 0 && CountStoredRecords(path) < before;
}

size_t LoginPathList::CountStoredRecords(const std::string& path) const
{
    size_t count = 0;
    RecordBuffer record {};
    RecordFile().ForEachRecord(m_fileName, kRecordKind, kRecordSubKind, record,
        [&](std::span<const unsigned char> data) { count += TextOf(data) == path ? 1 : 0; });
    return count;
}

LoginPathFileState LoginPathList::CheckFile() const
{
    switch (InspectRecordFile(m_fileName).status) {
    case FileReadStatus::Read:
        return LoginPathFileState::Good;
    case FileReadStatus::Missing:
        return LoginPathFileState::Missing;
    case FileReadStatus::Damaged:
        return LoginPathFileState::Damaged;
    default:
        return LoginPathFileState::Unreadable;
    }
}

} // namespace custodia
