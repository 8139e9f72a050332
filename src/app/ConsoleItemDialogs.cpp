#include "app/ConsoleItemDialogs.h"

namespace custodia {

ConsoleItemDialogs::ConsoleItemDialogs(const WordTable& words, UiServices& ui)
    : m_words(words)
    , m_ui(ui)
{
}

// Users, database slots and login paths

bool ConsoleItemDialogs::EditUser(QWidget*, UserEntry&, const std::vector<GroupEntry>&, const DatabaseList&)
{
    return false;
}

bool ConsoleItemDialogs::EditDatabasePath(QWidget*, DatabaseList&, int)
{
    return false;
}

std::optional<std::string> ConsoleItemDialogs::AskLoginPath(QWidget*)
{
    return std::nullopt;
}

// Groups

std::unique_ptr<NewGroupPrompt> ConsoleItemDialogs::MakeNewGroupPrompt(QWidget*, const std::string&)
{
    return nullptr;
}

bool ConsoleItemDialogs::EditGroup(QWidget*, const std::string&, const GroupEntry&)
{
    return false;
}

} // namespace custodia
