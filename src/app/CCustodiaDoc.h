#pragma once

#include "platform/NativePath.h"
#include "store/LoginPathList.h"

#include <array>
#include <cstddef>
#include <memory>
#include <ranges>
#include <string>
#include <vector>

namespace custodia {

// The categories shown under every login path, in tree order.
enum class LoginPathCategory { Users = 0, Groups = 1, DatabasePaths = 2 };
inline constexpr size_t kCategoryCount = 3;

// One managed login path.
struct LoginPathEntry {
    NativePath path;
};

// The console's only document: the login paths this installation manages, kept in "custo.cfg" in the
// current directory. Every change is written at once, so there is never anything unsaved.
//
// Entries are rebuilt when the list is reloaded; pointers handed out stay valid until the next
// LoadLoginPaths or RemoveLoginPath, after which the tree is always rebuilt.
class CCustodiaDoc final {
public:
    CCustodiaDoc();
    explicit CCustodiaDoc(std::string fileName);
    // A document without login paths, whose file could not be read.
    CCustodiaDoc(std::string fileName, LoginPathList::Unloaded unloaded);
    CCustodiaDoc(const CCustodiaDoc&) = delete;
    CCustodiaDoc& operator=(const CCustodiaDoc&) = delete;

    // Empties the list and reads the file again; a missing or damaged file gives an empty list.
    void LoadLoginPaths();
    // Appends the path unless its folder is listed already (by any text that names it) or the path is
    // too long for a record.
    bool AddLoginPath(const NativePath& path);
    // Appends one record for the path to the file.
    bool StoreLoginPath(const NativePath& path);
    // Deletes the first record holding exactly this path, then reloads the list.
    bool RemoveLoginPath(const NativePath& path);

    // The entries in file order, as a view: every walk is a walk of its own, so walks may repeat or nest.
    auto LoginPaths()
    {
        return m_entries | std::views::transform([](const auto& entry) -> LoginPathEntry& { return *entry; });
    }
    auto LoginPaths() const
    {
        return m_entries | std::views::transform([](const auto& entry) -> const LoginPathEntry& { return *entry; });
    }

    // The entry with exactly this text, letter case included, or null.
    LoginPathEntry* FindLoginPath(const NativePath& path);
    size_t LoginPathCount() const { return m_entries.size(); }
    // The file the list is kept in, as given (relative names are in the current directory).
    const NativePath& FileName() const { return m_fileName; }

private:
    void RebuildEntries();

    NativePath m_fileName;
    LoginPathList m_list;
    std::vector<std::unique_ptr<LoginPathEntry>> m_entries;
};

} // namespace custodia
