#pragma once

#include "platform/File.h"
#include "platform/NativePath.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>

class QDialog;
class QLabel;
class QTimer;
class QWidget;

namespace custodia {

class WordTable;

// Keeps the console alive while the file layer waits between two tries of a shared file: the window
// goes on painting, a busy cursor shows at once, and after about a second a small modal dialog says what
// is waited for, with Cancel. The file layer stays free of any user interface: this fills its
// replaceable sleep and hears, before each wait, which file is tried and why it failed. After Cancel the remaining
// waits of that open return at once, so its tries run out and it fails as if they had.
class SharedFileWaitFeedback final : public QObject {
    Q_OBJECT

public:
    static constexpr int kDialogDelayMilliseconds = 1000;
    static constexpr int kTriesShown = 60;

    // How a wait lets time pass; by default the event loop runs for that long, so the window paints.
    using PassTime = std::function<void(int milliseconds)>;

    SharedFileWaitFeedback(const WordTable& words, QWidget* window, PassTime passTime = {});
    ~SharedFileWaitFeedback() override;
    SharedFileWaitFeedback(const SharedFileWaitFeedback&) = delete;
    SharedFileWaitFeedback& operator=(const SharedFileWaitFeedback&) = delete;

    // Makes the file layer's waits go through Wait, and its word before each wait reach NoteAttempt,
    // until destruction.
    void Install();
    // What the file layer is trying and why the latest try failed, as it says before a wait.
    void NoteAttempt(const std::string& fileName, int tries, const OpenError& error = {});
    // One wait between two tries of an open.
    void Wait(int milliseconds);

    // Null until a wait lasted long enough to show it.
    QDialog* Dialog() const { return m_dialog; }
    bool IsWaiting() const { return m_waited > 0; }

private:
    void BeginSequence();
    void EndSequenceWhenIdle();
    void EndSequence();
    void ShowDialog();
    void UpdateDialog();
    void Cancel();
    QString CauseText() const;

    const WordTable& m_words;
    QPointer<QWidget> m_window;
    PassTime m_passTime;
    QTimer* m_idleCheck = nullptr;
    QDialog* m_dialog = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLabel* m_triesLabel = nullptr;
    NativePath m_fileName;
    OpenError m_error;
    int m_tries = 0;
    bool m_attemptNoted = false; // the file layer counted the tries of the coming wait itself
    int m_waited = 0; // milliseconds of this open so far
    bool m_inWait = false;
    bool m_cancelled = false;
    bool m_installed = false;
};

} // namespace custodia
