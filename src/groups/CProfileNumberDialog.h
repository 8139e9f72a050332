#pragma once

#include "words/Word.h"

#include <QByteArray>
#include <QDialog>

#include <string>

class QGridLayout;
class QLineEdit;
class QPushButton;
class UiServices;

namespace custodia {

class WordTable;

// What the new-group and save-as dialogs share: where the group goes (shown by the subclass), a group
// number of 0..255 and a name. Only the number's form and range are checked here; whether the number
// is free is the caller's question. A run that ends with OK may be followed by another run of the same
// object, which starts from what was entered before.
class CProfileNumberDialog : public QDialog {
    Q_OBJECT

public:
    // Valid after a run that ended with OK.
    int GetNumber() const { return m_number; }
    const std::string& GetName() const { return m_name; }

    void accept() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

    CProfileNumberDialog(
        const WordTable& words, UiServices& ui, Word title, Word header, Word okButton, QWidget* parent);

    // Puts the widget that shows or chooses the login path into the path row, labelled and first in
    // the tab order.
    void SetPathWidget(QWidget* widget);
    QPushButton* OkButton() const { return m_okButton; }
    QString Text(Word word) const;

private:
    const WordTable& m_words;
    UiServices& m_ui;
    QGridLayout* m_fields = nullptr;
    QLineEdit* m_numberEdit = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    int m_number = 0;
    std::string m_name;
    QByteArray m_geometry; // where the last run left it
};

} // namespace custodia
