#pragma once

#include "platform/File.h"
#include "platform/NativePath.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>

class QDialog;
class QLabel;
class QWidget;

namespace custodia {

struct OpenAttempt;
class WordTable;

// What the window shows while a call on the worker thread waits for a held file: the worker only
// posts each wait here, and this, on the window's thread, shows after about a second of waiting a
// small modal dialog naming the file, the cause and the try out of that open's own limit, with
// Cancel. Cancel raises the call's flag, which the file layer asks before its next wait.
class FileWaitFeedback final : public QObject {
    Q_OBJECT

public:
    static constexpr int kDialogDelayMilliseconds = 1000;

    FileWaitFeedback(const WordTable& words, QWidget* window, std::atomic<bool>& cancelled);
    ~FileWaitFeedback() override;
    FileWaitFeedback(const FileWaitFeedback&) = delete;
    FileWaitFeedback& operator=(const FileWaitFeedback&) = delete;

    // One wait of the file layer, as it said before the wait began.
    void NoteWait(const OpenAttempt& attempt);

    // Null until a wait lasted long enough to show it, and again after Cancel.
    QDialog* Dialog() const { return m_dialog; }
    bool IsDialogShown() const;
    int Waits() const { return m_waits; }

signals:
    // The dialog was shown or put away: what the window lets through changes with it.
    void dialogShownChanged();

private:
    void ShowDialog();
    void UpdateDialog();
    void Cancel();
    QString CauseText() const;

    const WordTable& m_words;
    QPointer<QWidget> m_window;
    std::atomic<bool>& m_cancelled;
    QDialog* m_dialog = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLabel* m_triesLabel = nullptr;
    NativePath m_fileName;
    OpenError m_error;
    int m_tries = 0;
    int m_triesAtMost = 0;
    int m_waits = 0;
};

} // namespace custodia
