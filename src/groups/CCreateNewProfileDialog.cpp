#include "groups/CCreateNewProfileDialog.h"

#include "ui/WordText.h"

#include <QLineEdit>

namespace custodia {

CCreateNewProfileDialog::CCreateNewProfileDialog(
    const WordTable& words, UiServices& ui, const std::string& loginPath, QWidget* parent)
    : CProfileNumberDialog(words, ui, Word::CreateNewGroupTitle, Word::NewGroupHeader, Word::Ok, parent)
{
    // Read-only rather than a plain label: a long path can be scrolled and read out by a screen reader.
    auto* path = new QLineEdit(PathText(NativePath(loginPath)), this);
    path->setObjectName(QStringLiteral("pathText"));
    path->setReadOnly(true);
    path->setCursorPosition(0);
    SetPathWidget(path);
}

} // namespace custodia
