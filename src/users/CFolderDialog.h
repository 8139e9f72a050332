#pragma once

#include <QString>

class QWidget;
class UiServices;

namespace custodia {

// The folder browser: asks the UI services for a folder, starting at the initial folder.
class CFolderDialog final {
public:
    enum Result { Chosen = 1, NoFileSystemPath = 2, Cancelled = -1 };

    CFolderDialog(UiServices& ui, const QString& title, const QString& initialFolder, QWidget* owner);

    Result DoModal();
    // The folder chosen by the last DoModal that returned Chosen.
    const QString& GetFolderPath() const { return m_chosenFolder; }

private:
    UiServices& m_ui;
    QString m_title;
    QString m_initialFolder;
    QWidget* m_owner;
    QString m_chosenFolder;
};

} // namespace custodia
