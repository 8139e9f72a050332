#pragma once

#include "platform/FolderIdentity.h"
#include "store/FileReadResult.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace custodia {

// "custo.cfg": one record per managed login path, the path text zero-filled to 255 bytes.
namespace loginpaths {
inline constexpr const char kFileName[] = "custo.cfg";
inline constexpr uint8_t kRecordKind = 87; // 'W'
inline constexpr uint8_t kRecordSubKind = 0;
inline constexpr size_t kRecordSize = 255;
inline constexpr size_t kMaxPathLength = kRecordSize - 1; // the record keeps room for the terminator
} // namespace loginpaths

// State of the login-path file, for callers that must not write into a damaged one.
enum class LoginPathFileState { Missing, Good, Damaged, Unreadable };

// The login paths this installation manages, in file order, no folder twice (see FolderIdentity: the
// same folder by device and inode, else the same normalised text; letter case alone never decides).
// Every change is written to the file at once; there is no unsaved state.
class LoginPathList final {
public:
    explicit LoginPathList(std::string fileName = loginpaths::kFileName);
    // An empty list that has not read its file, for a program that could not read it and goes on.
    struct Unloaded { };
    LoginPathList(std::string fileName, Unloaded);

    // Empties the list and reads the file again. A missing or damaged file gives an empty list; the
    // result (also kept in LastLoad) tells which.
    FileReadResult LoadLoginPaths();
    // Appends the path to the list unless its folder is listed already, or the path cannot be stored
    // in a record; false then, and nothing changes.
    bool AddLoginPath(const std::string& path);
    // Appends one record for the path to the file: false if the path does not fit a record, the file
    // holds its folder already, is damaged, or could neither be opened nor created.
    bool StoreLoginPath(const std::string& path);
    // Deletes the first record that holds exactly this path, letter case included, then reloads the
    // list. True if such a record was there and has gone.
    bool RemoveLoginPath(const std::string& path);

    // The listed paths in file order; walk them as often as needed.
    const std::vector<std::string>& Paths() const { return m_paths; }
    const FileReadResult& LastLoad() const { return m_lastLoad; }
    const std::string& FileName() const { return m_fileName; }
    // The listed text of the path's folder, or null when its folder is not listed.
    const std::string* ListedAs(const std::string& path) const;
    bool Contains(const std::string& path) const { return ListedAs(path) != nullptr; }
    LoginPathFileState CheckFile() const;

    // A path fits a record when it leaves room for the terminator and holds no zero byte of its own.
    static bool FitsRecord(const std::string& path);

private:
    const std::string* ListedAs(const FolderIdentity& folder) const;
    bool AddListed(const std::string& path);
    size_t CountStoredRecords(const std::string& path) const;

    std::string m_fileName;
    std::vector<std::string> m_paths;
    std::vector<FolderIdentity> m_folders; // beside m_paths, as the paths were when listed
    FileReadResult m_lastLoad;
};

} // namespace custodia
