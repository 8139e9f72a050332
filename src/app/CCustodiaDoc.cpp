#include "app/CCustodiaDoc.h"

namespace custodia {

CCustodiaDoc::CCustodiaDoc()
    : CCustodiaDoc(loginpaths::kFileName)
{
}

CCustodiaDoc::CCustodiaDoc(std::string fileName)
    : m_fileName(fileName)
    , m_list(std::move(fileName))
{
    RebuildEntries();
}

CCustodiaDoc::CCustodiaDoc(std::string fileName, LoginPathList::Unloaded unloaded)
    : m_fileName(fileName)
    , m_list(std::move(fileName), unloaded)
{
}

void CCustodiaDoc::LoadLoginPaths()
{
    m_list.LoadLoginPaths();
    RebuildEntries();
}

bool CCustodiaDoc::AddLoginPath(const NativePath& path)
{
    if (!m_list.AddLoginPath(path))
        return false;
    auto entry = std::make_unique<LoginPathEntry>();
    entry->path = path;
    m_entries.push_back(std::move(entry));
    return true;
}

bool CCustodiaDoc::StoreLoginPath(const NativePath& path)
{
    return m_list.StoreLoginPath(path);
}

bool CCustodiaDoc::RemoveLoginPath(const NativePath& path)
{
    const bool removed = m_list.RemoveLoginPath(path);
    RebuildEntries();
    return removed;
}

LoginPathEntry* CCustodiaDoc::FindLoginPath(const NativePath& path)
{
    for (const auto& entry : m_entries) {
        if (entry->path == path)
            return entry.get();
    }
    return nullptr;
}

void CCustodiaDoc::RebuildEntries()
{
    m_entries.clear();
    for (const std::string& path : m_list.Paths()) {
        auto entry = std::make_unique<LoginPathEntry>();
        entry->path = NativePath(path);
        m_entries.push_back(std::move(entry));
    }
}

} // namespace custodia
