#include "app/CCustodiaApp.h"

#include "app/CCustodiaDoc.h"
#include "app/CMainFrame.h"
#include "app/ConsoleItemDialogs.h"
#include "app/FileErrorReport.h"
#include "app/LogonDialog.h"
#include "app/UiServices.h"
#include "app/WordText.h"
#include "store/ProgramIndex.h"
#include "store/UserStore.h"
#include "words/WordTable.h"

namespace custodia {

namespace {

constexpr int kTitleWord = 953;
constexpr int kSubtitleWord = 795;
constexpr int kNoticeWord = 89;
constexpr int kUserNameLabelWord = 92;
constexpr int kPasswordLabelWord = 93;
constexpr int kLoginPathLabelWord = 94;
constexpr int kRefusalCaptionWord = 746;
constexpr int kRefusalTextWord = 747;

} // namespace

StartupVerdict DecideAfterLogon(
    bool logonRequired, bool accepted, UserStore& store, const std::string& loginPath, uint8_t groupNumber)
{
    if (!logonRequired)
        return accepted ? StartupVerdict::Run : StartupVerdict::End;
    if (!accepted)
        return StartupVerdict::End;
    if (store.LoadGroupRights(loginPath, groupNumber) && store.HasRight(kProgramCustodia, kConsoleRightPosition) != 0)
        return StartupVerdict::Run;
    return StartupVerdict::Refused;
}

CCustodiaApp::CCustodiaApp(Options options)
    : m_options(std::move(options))
{
}

// The main window goes first, as it refers to the word table and the document; then the word table
// and the store.
CCustodiaApp::~CCustodiaApp()
{
    m_mainFrame.reset();
    m_doc.reset();
    m_words.reset();
    m_store.reset();
}

bool CCustodiaApp::InitInstance()
{
    m_words = std::make_unique<WordTable>(m_options.wordDirectory);
    m_words->LoadWordFiles(ConsoleWordFamilies());
    m_store = std::make_unique<UserStore>();
    // Read after the word files, which may have made the program's folder the current directory.
    m_doc = std::make_unique<CCustodiaDoc>();
    m_mainFrame = std::make_unique<CMainFrame>(*m_words, *m_doc);
    m_mainFrame->SetItemDialogs(std::make_unique<ConsoleItemDialogs>(*m_words, UiServices::Instance(), *m_doc));
    connect(m_mainFrame.get(), &CMainFrame::aboutRequested, this, &CCustodiaApp::OnAppAbout);
    // The log-on dialog opens in front of the complete main window.
    m_mainFrame->show();
    m_mainFrame->repaint();
    return RunLogon();
}

bool CCustodiaApp::RunLogon()
{
    std::unique_ptr<LogonDialog> dialog = MakeLogonDialog();
    dialog->SetArguments(m_options.arguments);
    dialog->SetSplashInterval(m_options.splashInterval);
    if (LoginPathEntry* first = m_doc->FirstLoginPath())
        dialog->SetDefaultLoginPath(StoredText(first->path));
    for (int i = 0; i < kLogonMessageCount; ++i)
        dialog->SetMessage(static_cast<LogonMessage>(i), WordText(*m_words, kFirstLogonMessageWord + i));
    const bool accepted = dialog->RunAtStartup() == QDialog::Accepted;

    StartupVerdict verdict = StartupVerdict::End;
    const bool read = RunReportingFileErrors(nullptr, [&] {
        verdict = DecideAfterLogon(
            dialog->GetLogonRequired(), accepted, *m_store, dialog->GetLoginPath(), dialog->GetGroupNumber());
    });
    dialog.reset();
    if (!read)
        return false; // the rights could not be read, so the right to run is not shown either
    if (verdict == StartupVerdict::Refused)
        ShowRefusal();
    return verdict == StartupVerdict::Run;
}

std::unique_ptr<LogonDialog> CCustodiaApp::MakeLogonDialog()
{
    auto dialog = std::make_unique<LogonDialog>(*m_store, WordText(*m_words, kTitleWord),
        WordText(*m_words, kSubtitleWord), QString::fromLatin1(kVersion), m_mainFrame.get());
    dialog->SetNotice(WordText(*m_words, kNoticeWord));
    dialog->SetUserNameLabel(WordText(*m_words, kUserNameLabelWord));
    dialog->SetPasswordLabel(WordText(*m_words, kPasswordLabelWord));
    dialog->SetLoginPathLabel(WordText(*m_words, kLoginPathLabelWord));
    return dialog;
}

void CCustodiaApp::ShowRefusal()
{
    UiServices::Instance().ShowMessage(nullptr, WordText(*m_words, kRefusalTextWord),
        WordText(*m_words, kRefusalCaptionWord), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void CCustodiaApp::OnAppAbout()
{
    auto dialog = std::make_unique<LogonDialog>(*m_store, WordText(*m_words, kTitleWord),
        WordText(*m_words, kSubtitleWord), QString::fromLatin1(kVersion), m_mainFrame.get());
    dialog->SetNotice(WordText(*m_words, kNoticeWord));
    dialog->exec();
}

} // namespace custodia
