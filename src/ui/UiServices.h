#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Message boxes, file and folder pickers and opening links go through this one interface, handed to
// the windows, commands and dialogs that need it, so tests can answer them from a script instead of a
// person. Only the program's main makes the real one.
class UiServices {
public:
    enum class Icon { None, Information, Warning, Critical };
    // OkCancelDefaultCancel: for a question whose OK can do harm (locking everyone out, deleting,
    // replacing), so that an Enter pressed out of habit answers Cancel.
    enum class Buttons { Ok, OkCancel, OkCancelDefaultCancel };
    enum class Answer { Ok, Cancel };

    virtual ~UiServices() = default;

    virtual Answer ShowMessage(QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons)
        = 0;
    // The chosen file, or an empty text when the picker was cancelled.
    virtual QString ChooseFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
        = 0;
    // Where to write a new file (a chosen filter's pattern may tell its format), or an empty text when
    // the picker was cancelled. A file that exists there is asked about first.
    virtual QString ChooseSaveFile(
        QWidget* parent, const QString& caption, const QString& start, const QString& filter, QString* chosenFilter)
        = 0;
    // The chosen folder, or an empty text when the browser was cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& caption, const QString& folder) = 0;
    // Opens a web address or a mail address with the desktop's program for it. Returns a code above 32
    // on success, or the failure code the link control turns into a message.
    virtual int OpenLink(const QString& target) = 0;
};
