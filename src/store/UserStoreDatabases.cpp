// The database list operations of UserStore: "tessel.dbs" of a login path.
#include "store/UserStore.h"

#include "platform/Platform.h"
#include "store/RecordFile.h"

namespace custodia {

using namespace databaselist;

int UserStore::LoadDatabaseList(const std::string& loginPath)
{
    if (!m_databaseList)
        m_databaseList = std::make_unique<DatabaseList>();
    DatabaseList::Image& image = m_databaseList->GetImage();
    image.fill(0);
    RecordFile records;
    const size_t read
        = records.ReadRecord(JoinPath(loginPath, kFileName), kKind, kSubKind, image.data(), image.size(), 1, false);
    return read > 0 ? kDatabaseListRead : kDatabaseListMissing;
}

bool UserStore::SaveDatabaseList(const std::string& loginPath, const DatabaseList& list) const
{
    const DatabaseList::Image& image = list.GetImage();
    RecordFile records;
    return records.WriteRecord(JoinPath(loginPath, kFileName), kKind, kSubKind, image.data(), image.size(), 1, true)
        != 0;
}

} // namespace custodia
