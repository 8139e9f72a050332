#pragma once

#include "app/LogonCheck.h"

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;
class UiServices;

namespace custodia {

class BackgroundCall;
class Session;
class WordTable;

// The first window a user meets. At start-up it decides whether a log-on is needed: if not it is a
// splash screen that closes itself, if so it asks for a user name, a password and a login path and
// fills the session with the user who logs on. Run without RunAtStartup it is the About box. A title,
// a subtitle and the version are painted beside the picture from "splash.bmp".
class LogonDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSplashInterval = 3000; // milliseconds
    static constexpr int kMaxUserNameLength = 42;
    static constexpr int kMaxPasswordLength = 50;
    static constexpr int kMaxLoginPathLength = 260;

    // Copies the user name and password the session holds into the fields and loads "splash.bmp" from the
    // current directory.
    LogonDialog(Session& session, const WordTable& words, UiServices& ui, const QString& title, const QString& subtitle,
        const QString& version, QWidget* parent = nullptr);

    void SetNotice(const QString& text);
    void SetButtonTexts(const QString& ok, const QString& cancel);
    void SetUserNameLabel(const QString& text);
    void SetPasswordLabel(const QString& text);
    void SetLoginPathLabel(const QString& text);
    void SetDefaultLoginPath(const QString& path);
    void SetMessage(LogonMessage message, const QString& text);
    // The process's arguments, program name first: "username=" and "password=" among them log on
    // without a key press.
    void SetArguments(std::vector<std::string> arguments) { m_arguments = std::move(arguments); }
    // The log-on reads the user file through the calls, off the window's thread, when there are any.
    void SetCalls(BackgroundCall* calls) { m_calls = calls; }
    // Tests shorten the splash screen; the console keeps kSplashInterval.
    void SetSplashInterval(int milliseconds) { m_splashInterval = milliseconds; }

    // Runs the dialog at start-up: decides whether a log-on is required and shows the splash screen or
    // the log-on fields. Returns Accepted (OK) or Rejected (cancelled a required log-on). Running the
    // dialog with exec() instead is the About box.
    int RunAtStartup();

    bool GetLogonRequired() const { return m_logonRequired; }
    // The login path typed at the last OK.
    const std::string& GetLoginPath() const { return m_loginPath; }
    // The group of the user found by name at the last OK, 0 if none was.
    uint8_t GetGroupNumber() const { return m_groupNumber; }

    // Cancel, Escape and closing the window: a refusal only while a log-on is required.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Enter presses OK, as in any dialog whose default button is OK, even while OK is hidden.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWidgets();
    void Initialise();
    void ShowLogonFields();
    void LogonFromArguments();
    void OnOk();
    void ShowMessage(LogonMessage message);
    int TextColumnX() const;

    Session& m_session;
    const WordTable& m_words;
    UiServices& m_ui;
    QString m_title;
    QString m_subtitle;
    QString m_version;
    std::array<QString, kLogonMessageCount> m_messages;
    std::vector<std::string> m_arguments;
    BackgroundCall* m_calls = nullptr;
    std::string m_loginPath;
    uint8_t m_groupNumber = 0;
    bool m_startupMode = false;
    bool m_logonRequired = false;
    bool m_initialised = false;
    int m_splashInterval = kSplashInterval;
    QPixmap m_picture;

    QWidget* m_pictureFrame = nullptr;
    QWidget* m_textColumn = nullptr;
    QLabel* m_notice = nullptr;
    QLabel* m_userNameLabel = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLabel* m_loginPathLabel = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_loginPathField = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_splashTimer = nullptr;
};

} // namespace custodia
