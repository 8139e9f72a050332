#include "users/CFolderDialog.h"

#include "ui/UiServices.h"

namespace custodia {

CFolderDialog::CFolderDialog(UiServices& ui, const QString& title, const QString& initialFolder, QWidget* owner)
    : m_ui(ui)
    , m_title(title)
    , m_initialFolder(initialFolder)
    , m_owner(owner)
{
}

CFolderDialog::Result CFolderDialog::DoModal()
{
    const QString chosen = m_ui.ChooseFolder(m_owner, m_title, m_initialFolder);
    if (chosen.isEmpty())
        return Cancelled;
    m_chosenFolder = chosen;
    return Chosen;
}

} // namespace custodia
