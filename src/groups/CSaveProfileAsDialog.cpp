#include "groups/CSaveProfileAsDialog.h"

#include "ui/WordText.h"

#include <QComboBox>
#include <QIcon>
#include <QPushButton>

#include <algorithm>

namespace custodia {

CSaveProfileAsDialog::CSaveProfileAsDialog(const WordTable& words, UiServices& ui, const std::string& initialLoginPath,
    const std::vector<std::string>& managedLoginPaths, QWidget* parent)
    : CProfileNumberDialog(words, ui, Word::SaveGroupAsTitle, Word::SaveGroupAsHeader, Word::Save, parent)
{
    std::copy_if(managedLoginPaths.begin(), managedLoginPaths.end(), std::back_inserter(m_paths),
        [](const std::string& path) { return !path.empty(); });

    m_pathBox = new QComboBox(this);
    m_pathBox->setObjectName(QStringLiteral("pathBox"));
    m_pathBox->setEditable(false);
    m_pathBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pathBox->setMinimumContentsLength(30);
    const QIcon icon(QStringLiteral(":/icons/loginpath-16.png"));
    int chosen = 0;
    for (size_t i = 0; i < m_paths.size(); ++i) {
        m_pathBox->addItem(icon, PathText(NativePath(m_paths[i])));
        m_pathBox->setItemData(static_cast<int>(i), PathText(NativePath(m_paths[i])), Qt::ToolTipRole);
        if (m_paths[i] == initialLoginPath)
            chosen = static_cast<int>(i);
    }
    m_pathBox->setCurrentIndex(m_paths.empty() ? -1 : chosen);
    SetPathWidget(m_pathBox);
    // There is nowhere to save to without a managed login path.
    OkButton()->setEnabled(!m_paths.empty());
}

void CSaveProfileAsDialog::accept()
{
    const int index = m_pathBox->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= m_paths.size())
        return;
    // The stored text, not the shown one, so that the copy goes exactly where the document points.
    m_loginPath = m_paths[static_cast<size_t>(index)];
    CProfileNumberDialog::accept();
}

} // namespace custodia
