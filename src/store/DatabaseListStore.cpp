#include "store/DatabaseListStore.h"

#include "platform/Platform.h"
#include "store/RecordFile.h"

#include <algorithm>

namespace custodia {

using namespace databaselist;

DatabaseListStore::DatabaseListStore(NativePath loginPath, const FileEnvironment& environment)
    : m_environment(&environment)
    , m_fileName(JoinPath(loginPath, kFileName))
{
}

FileReadResult DatabaseListStore::Load(DatabaseList& list) const
{
    DatabaseList::Image& image = list.GetImage();
    image.fill(0);
    std::vector<RecordRequest> requests { RecordRequest { kKind, kSubKind, image, 0 } };
    return RecordFile(*m_environment).ReadRecords(m_fileName, requests, true);
}

Status DatabaseListStore::Save(const DatabaseList& list, const std::string& operation) const
{
    return RecordFile(*m_environment).WriteRecord(m_fileName, kKind, kSubKind, list.GetImage(), true, operation);
}

Result<bool> DatabaseListStore::Change(
    const std::function<bool(DatabaseList& list)>& change, const std::string& operation) const
{
    const RecordFileChange part { m_fileName, kKind, kSubKind, kSize,
        [&](std::span<unsigned char> data) {
            DatabaseList list;
            std::copy(data.begin(), data.end(), list.GetImage().begin());
            if (!change(list))
                return false;
            std::copy(list.GetImage().begin(), list.GetImage().end(), data.begin());
            return true;
        },
        {}, RecordPresence::Any };
    return RecordFile::ApplyChanges(std::span(&part, 1), operation, *m_environment);
}

} // namespace custodia
