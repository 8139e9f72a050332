#pragma once

#include "store/UserEntry.h"

#include <QWidget>

class QLineEdit;
class UiServices;

namespace custodia {

class WordTable;

// The first page of the user properties dialog: the user's name, full name, description and password
// typed twice. The only page that can refuse the dialog's OK.
class CUserGeneralPropertiesTabPage final : public QWidget {
    Q_OBJECT

public:
    CUserGeneralPropertiesTabPage(const WordTable& words, UiServices& ui, UserEntry& entry, QWidget* parent = nullptr);

    // Checks the input and writes the four texts into the entry. False, after a message box, when the
    // input is refused; the entry is then unchanged.
    bool ValidateAndApply();

    // The user name as it will be stored: without leading white space.
    QString TrimmedUserName() const;

private:
    QLineEdit* AddField(const char* objectName, size_t maxBytes, const std::string& text);
    void Refuse(int textWord, int captionWord);

    const WordTable& m_words;
    UiServices& m_ui;
    UserEntry& m_entry;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_fullName = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirmation = nullptr;
};

// A password is stored unchanged only when it keeps the core's rule (at most 50 printable ASCII
// characters): any other character could scramble to a zero byte and cut the stored password short.
bool IsStorablePassword(const QString& password);

} // namespace custodia
