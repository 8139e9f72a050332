#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UiServices;

namespace custodia {

class CCustodiaDoc;
class CMainFrame;
class LogonDialog;
class ProfileStore;
class Session;
class WordTable;

// How start-up goes on once the log-on dialog has closed.
enum class StartupVerdict {
    Run, // the console runs
    End, // the log-on was cancelled: the console ends without a word
    Refused, // the user's group lacks the console's own right: say so, then end
};

// Without a required log-on the dialog was a splash screen and the console runs with every right. After
// a log-on, the group's rights are read from the login path's profiles, and position 0 of the
// console's row decides.
StartupVerdict DecideAfterLogon(
    bool logonRequired, bool accepted, Session& session, const ProfileStore& profiles, uint8_t groupNumber);

// The application object: owns the word table and the session of the logged-on user for the whole
// run, builds the document and the main window, and runs the log-on before the console may be used.
// The window shows no accounts until the log-on has let the user in.
class CCustodiaApp final : public QObject {
    Q_OBJECT

public:
    struct Options {
        std::vector<std::string> arguments; // the process's, program name first
        // Where the word files are looked for first; by default the current directory and then the
        // program's folder.
        std::optional<std::string> wordDirectory;
        int splashInterval = 3000; // milliseconds
    };

    CCustodiaApp(Options options, UiServices& ui);
    ~CCustodiaApp() override;
    CCustodiaApp(const CCustodiaApp&) = delete;
    CCustodiaApp& operator=(const CCustodiaApp&) = delete;

    // The start-up sequence. True when the console is to run: the main window is then shown and stays
    // until it is closed. False ends the program.
    bool InitInstance();
    // The About box: the log-on dialog without a log-on.
    void OnAppAbout();
    // The technical support box.
    void OnTechnicalSupport();

    // Null before InitInstance made them.
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    WordTable* Words() const { return m_words.get(); }
    Session* LoggedOnSession() const { return m_session.get(); }
    CCustodiaDoc* Document() const { return m_doc.get(); }

private:
    std::unique_ptr<LogonDialog> MakeLogonDialog();
    bool RunLogon();
    void ReportUnusableLoginPathFile();
    void ShowRefusal();

    Options m_options;
    UiServices& m_ui;
    std::unique_ptr<WordTable> m_words;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<CCustodiaDoc> m_doc;
    std::unique_ptr<CMainFrame> m_mainFrame; // refers to the word table and the document
};

} // namespace custodia
