#pragma once

#include "platform/NativePath.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;
class UiServices;

namespace custodia {

class WordTable;

// Asks for a login path to manage. OK makes sure the folder exists (creating it with every missing
// parent) and holds a user file; a folder that cannot be made keeps the dialog open with the reason.
class CAddLoginPathDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kFolderBrowserTitle = "Select the Login Path:";

    CAddLoginPathDialog(const WordTable& words, UiServices& ui, QWidget* parent = nullptr);

    // The login path after OK.
    const NativePath& GetResultPath() const { return m_resultPath; }

    void accept() override;

private:
    void OnBrowse();
    void Refuse(const QString& text);

    const WordTable& m_words;
    UiServices& m_ui;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    NativePath m_resultPath;
};

} // namespace custodia
