// The database list operations of UserStore: "tessel.dbs" of a login path.
#include "store/UserStore.h"

#include "platform/Platform.h"
#include "store/RecordFile.h"

#include <algorithm>

namespace custodia {

using namespace databaselist;

FileReadResult UserStore::LoadDatabaseList(const std::string& loginPath)
{
    if (!m_databaseList)
        m_databaseList = std::make_unique<DatabaseList>();
    DatabaseList::Image& image = m_databaseList->GetImage();
    image.fill(0);
    std::vector<RecordRequest> requests { RecordRequest { kKind, kSubKind, image, 0 } };
    return RecordFile().ReadRecords(JoinPath(loginPath, kFileName), requests, true);
}

DatabaseList UserStore::DatabaseListOrEmpty() const
{
    return m_databaseList ? *m_databaseList : DatabaseList();
}

bool UserStore::SaveDatabaseList(const std::string& loginPath, const DatabaseList& list) const
{
    const DatabaseList::Image& image = list.GetImage();
    RecordFile records;
    return records.WriteRecord(JoinPath(loginPath, kFileName), kKind, kSubKind, image, true) != 0;
}

RecordChangeResult UserStore::ChangeDatabaseList(
    const std::string& loginPath, const std::function<void(DatabaseList& list)>& change) const
{
    return RecordFile().ChangeRecord(
        JoinPath(loginPath, kFileName), kKind, kSubKind, kSize, [&](std::span<unsigned char> data) {
            DatabaseList list;
            std::copy(data.begin(), data.end(), list.GetImage().begin());
            change(list);
            std::copy(list.GetImage().begin(), list.GetImage().end(), data.begin());
            return true;
        });
}

} // namespace custodia
