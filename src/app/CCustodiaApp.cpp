#include "app/CCustodiaApp.h"
#include "ui/Version.h"

#include "app/CCustodiaDoc.h"
#include "app/CMainFrame.h"
#include "app/LogonDialog.h"
#include "app/ProcessSecrets.h"
#include "app/SupportDialog.h"
#include "helpbar/CHelpBar.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/Session.h"
#include "ui/BackgroundCall.h"
#include "ui/FileCauseText.h"
#include "ui/FileErrorReport.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"
#include "words/WordTable.h"

namespace custodia {

StartupVerdict DecideAfterLogon(
    bool logonRequired, bool accepted, Session& session, const ProfileStore& profiles, uint8_t groupNumber)
{
    if (!logonRequired)
        return accepted ? StartupVerdict::Run : StartupVerdict::End;
    if (!accepted)
        return StartupVerdict::End;
    if (session.LoadGroupRights(profiles, groupNumber)
        && session.HasRight(kProgramCustodia, kConsoleRightPosition) != 0)
        return StartupVerdict::Run;
    return StartupVerdict::Refused;
}

CCustodiaApp::CCustodiaApp(Options options, UiServices& ui)
    : m_options(std::move(options))
    , m_ui(ui)
{
}

// The main window goes first, as it refers to the word table and the document; then the word table
// and the session.
CCustodiaApp::~CCustodiaApp()
{
    m_mainFrame.reset();
    m_doc.reset();
    m_words.reset();
    m_session.reset();
}

bool CCustodiaApp::InitInstance()
{
    m_words = std::make_unique<WordTable>(m_options.wordDirectory);
    // A file that fails part way is shown, and the console starts with what it could read.
    RunReportingFileErrors(nullptr, *m_words, m_ui, [&] { m_words->LoadWordFiles(ConsoleWordFamilies()); });
    m_session = std::make_unique<Session>();
    // Read after the word files, which may have made the program's folder the current directory.
    if (!RunReportingFileErrors(nullptr, *m_words, m_ui, [&] { m_doc = std::make_unique<CCustodiaDoc>(); }))
        m_doc = std::make_unique<CCustodiaDoc>(loginpaths::kFileName, LoginPathList::Unloaded {});
    else
        ReportUnusableLoginPathFile();
    m_mainFrame = std::make_unique<CMainFrame>(*m_words, *m_doc, m_ui);
    // Owned by the main window, as a child widget.
    m_mainFrame->AttachHelpBar(new CHelpBar(*m_words, *m_mainFrame));
    connect(m_mainFrame.get(), &CMainFrame::aboutRequested, this, &CCustodiaApp::OnAppAbout);
    connect(m_mainFrame.get(), &CMainFrame::technicalSupportRequested, this, &CCustodiaApp::OnTechnicalSupport);
    // The log-on dialog opens in front of the complete main window, which shows no accounts until the
    // log-on has let the user in.
    m_mainFrame->SetAccountsShown(false);
    m_mainFrame->show();
    m_mainFrame->repaint();
    return RunLogon();
}

// A "custo.cfg" that is there but cannot be used is said, rather than shown as a list without paths.
void CCustodiaApp::ReportUnusableLoginPathFile()
{
    const LoginPathList list(loginpaths::kFileName, LoginPathList::Unloaded {});
    RunReportingFileErrors(nullptr, *m_words, m_ui, [&] {
        // The cause comes with the check's own open, which is not made again to learn it.
        const FileReadResult check = InspectRecordFile(list.FileName());
        switch (check.status) {
        case FileReadStatus::Unopenable:
            if (check.openError.cause != 0)
                ReportUnusableFile(
                    nullptr, *m_words, m_ui, NativePath(list.FileName()), OpenErrorText(*m_words, check.openError));
            break;
        case FileReadStatus::Damaged:
            ReportUnusableFile(
                nullptr, *m_words, m_ui, NativePath(list.FileName()), WordText(*m_words, Word::DamagedCause));
            break;
        default:
            break;
        }
    });
}

bool CCustodiaApp::RunLogon()
{
    std::unique_ptr<LogonDialog> dialog = MakeLogonDialog();
    dialog->SetArguments(m_options.arguments);
    dialog->SetSplashInterval(m_options.splashInterval);
    if (m_doc->LoginPathCount() > 0)
        dialog->SetDefaultLoginPath(PathText(m_doc->LoginPaths().front().path));
    for (int i = 0; i < kLogonMessageCount; ++i)
        dialog->SetMessage(static_cast<LogonMessage>(i), WordText(*m_words, WordNumber(Word::FirstLogonMessage) + i));
    const bool accepted = dialog->RunAtStartup() == QDialog::Accepted;

    StartupVerdict verdict = StartupVerdict::End;
    const bool read = RunReportingFileErrors(nullptr, *m_words, m_ui, [&] {
        // Off the window's thread: twelve profile files on a share may keep it waiting.
        const bool required = dialog->GetLogonRequired();
        const std::string loginPath = dialog->GetLoginPath();
        const uint8_t group = dialog->GetGroupNumber();
        verdict = m_mainFrame->Calls().Run([&](const FileEnvironment& environment) {
            return DecideAfterLogon(
                required, accepted, *m_session, ProfileStore(NativePath(loginPath), environment), group);
        });
    });
    if (verdict == StartupVerdict::Run && dialog->GetLogonRequired() && m_session->GetUserName())
        m_mainFrame->SetSupervisor(
            LoggedOnSupervisor { dialog->GetLoginPath(), *m_session->GetUserName(), dialog->GetGroupNumber() });
    dialog.reset();
    // The log-on is over: the password the supervisor gave is needed no more.
    WipePasswordArguments(m_options.arguments);
    m_session->SetPassword(std::nullopt);
    if (!read)
        return false; // the rights could not be read, so the right to run is not shown either
    if (verdict == StartupVerdict::Refused)
        ShowRefusal();
    if (verdict != StartupVerdict::Run)
        return false;
    m_mainFrame->SetAccountsShown(true);
    return true;
}

std::unique_ptr<LogonDialog> CCustodiaApp::MakeLogonDialog()
{
    auto dialog = std::make_unique<LogonDialog>(*m_session, *m_words, m_ui, WordText(*m_words, Word::SuiteTitle),
        WordText(*m_words, Word::ApplicationTitle), QString::fromLatin1(kVersionText), m_mainFrame.get());
    dialog->SetCalls(&m_mainFrame->Calls());
    dialog->SetNotice(WordText(*m_words, Word::NoticeLine));
    dialog->SetButtonTexts(WordText(*m_words, Word::Ok), WordText(*m_words, Word::Cancel));
    dialog->SetUserNameLabel(WordText(*m_words, Word::UserNameLabel));
    dialog->SetPasswordLabel(WordText(*m_words, Word::PasswordLabel));
    dialog->SetLoginPathLabel(WordText(*m_words, Word::LoginPathLabel));
    return dialog;
}

void CCustodiaApp::ShowRefusal()
{
    m_ui.ShowMessage(nullptr, WordText(*m_words, Word::RefusalText), WordText(*m_words, Word::RefusalCaption),
        UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void CCustodiaApp::OnAppAbout()
{
    auto dialog = std::make_unique<LogonDialog>(*m_session, *m_words, m_ui, WordText(*m_words, Word::SuiteTitle),
        WordText(*m_words, Word::ApplicationTitle), QString::fromLatin1(kVersionText), m_mainFrame.get());
    dialog->SetNotice(WordText(*m_words, Word::NoticeLine));
    dialog->SetButtonTexts(WordText(*m_words, Word::Ok), WordText(*m_words, Word::Cancel));
    dialog->exec();
}

void CCustodiaApp::OnTechnicalSupport()
{
    SupportDialog dialog(*m_words, m_ui, m_mainFrame.get());
    dialog.exec();
}

} // namespace custodia
