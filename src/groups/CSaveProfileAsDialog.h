#pragma once

#include "groups/CProfileNumberDialog.h"

#include <vector>

class QComboBox;

namespace custodia {

// Asks where a copy of a group goes: one of the managed login paths, a number and a name. Writes
// nothing; the group dialog writes the copy.
class CSaveProfileAsDialog final : public CProfileNumberDialog {
    Q_OBJECT

public:
    // The group dialog's own login path is chosen when it is listed exactly, letter case included;
    // otherwise the first path is.
    CSaveProfileAsDialog(const WordTable& words, UiServices& ui, const std::string& initialLoginPath,
        const std::vector<std::string>& managedLoginPaths, QWidget* parent);

    // Valid after a run that ended with OK.
    const std::string& GetLoginPath() const { return m_loginPath; }

    void accept() override;

private:
    std::vector<std::string> m_paths;
    QComboBox* m_pathBox = nullptr;
    std::string m_loginPath;
};

} // namespace custodia
