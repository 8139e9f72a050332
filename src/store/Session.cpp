#include "store/Session.h"

#include "store/ProgramIndex.h"

namespace custodia {

Session::Session() = default;

Session::~Session() = default;

void Session::Clear()
{
    m_userName.reset();
    m_password.reset();
    m_fullName.reset();
    m_description.reset();
    m_groupName.reset();
}

bool Session::LoadGroupRights(const ProfileStore& profiles, uint8_t groupNumber)
{
    std::string name;
    const bool found = profiles.ReadGroupRights(groupNumber, GetRightsTable(), name);
    if (found)
        m_groupName = name;
    return found;
}

const RightsTable::Row* Session::GetProgramRights(int program) const
{
    return m_rightsTable ? m_rightsTable->GetRow(program) : nullptr;
}

uint8_t Session::HasRight(int program, int position) const
{
    // Without a log-on no table is ever loaded, and the console then grants everything.
    if (!m_rightsTable || !IsProgramIndex(program))
        return 1;
    return m_rightsTable->Get(program, position);
}

RightsTable& Session::GetRightsTable()
{
    if (!m_rightsTable)
        m_rightsTable = std::make_unique<RightsTable>();
    return *m_rightsTable;
}

FileReadResult Session::LoadDatabaseList(const DatabaseListStore& databases)
{
    if (!m_databaseList)
        m_databaseList = std::make_unique<DatabaseList>();
    return databases.Load(*m_databaseList);
}

DatabaseList Session::DatabaseListOrEmpty() const
{
    return m_databaseList ? *m_databaseList : DatabaseList();
}

} // namespace custodia
