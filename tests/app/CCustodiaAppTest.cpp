#include "app/CCustodiaApp.h"
#include "app/CCustodiaDoc.h"
#include "app/CMainFrame.h"
#include "app/LogonDialog.h"
#include "app/LogonFixture.h"
#include "store/Session.h"
#include "words/WordTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace custodia::test {
namespace {

// The console started in a fresh current folder, with the installed words from the build's output
// folder and the splash screen's three seconds cut to nothing.
class CCustodiaAppTest : public LogonFixture {
protected:
    void SetUp() override
    {
        for (const char* file : { "gnrlword.eng", "cstdword.eng" })
            ASSERT_TRUE(std::filesystem::exists(std::string(CUSTODIA_OUTPUT_DIR) + "/" + file))
                << file << " is built by the custodia_data target";
    }

    CCustodiaApp& Start(std::vector<std::string> arguments = { "custodia" })
    {
        CCustodiaApp::Options options;
        options.arguments = std::move(arguments);
        options.wordDirectory = CUSTODIA_OUTPUT_DIR;
        options.splashInterval = 0;
        m_app = std::make_unique<CCustodiaApp>(std::move(options), m_ui);
        return *m_app;
    }

    QString Word(int number) const { return QString::fromStdString(m_app->Words()->GetWord(number)); }

    // A managed login path, first in "custo.cfg", holding user anna (password "secret") of group 4.
    std::string MakeOffice(bool consoleRight)
    {
        const std::string path = MakeLoginPath("office");
        AddUser(path, "anna", "secret", 4);
        AddGroup(path, 4, consoleRight);
        CCustodiaDoc doc;
        EXPECT_TRUE(doc.AddLoginPath(NativePath(path)));
        EXPECT_TRUE(doc.StoreLoginPath(NativePath(path)));
        return path;
    }

    void ExpectOnlyTheRefusal() const
    {
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, Word(747));
        EXPECT_EQ(m_ui.messages[0].caption, Word(746));
        EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
        EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::Ok);
    }

    std::unique_ptr<CCustodiaApp> m_app;
};

TEST_F(CCustodiaAppTest, EmptyUserFileShowsTheSplashAndRunsWithEveryRight)
{
    MakeEmptyPasswordFile(m_dir.path());
    QString notice;
    bool mainWindowFirst = false;
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        notice = dialog.findChild<QLabel*>("notice")->text();
        mainWindowFirst = m_app->MainFrame() != nullptr && m_app->MainFrame()->isVisible();
    });
    ASSERT_TRUE(Start().InitInstance());
    EXPECT_TRUE(mainWindowFirst);
    EXPECT_EQ(notice, Word(89));
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_EQ(m_app->LoggedOnSession()->HasRight(kProgramCustodia, kConsoleRightPosition), 1);
    EXPECT_FALSE(m_app->LoggedOnSession()->GetLogonRequired());
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(CCustodiaAppTest, TypedLogonOnTheFirstManagedPathRunsTheConsole)
{
    const std::string path = MakeOffice(true);
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("loginPath")->text().toStdString(), path);
        QTest::keyClicks(dialog.findChild<QLineEdit*>("userName"), "anna");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("password"), "secret");
        QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    });
    ASSERT_TRUE(Start().InitInstance());
    EXPECT_EQ(m_app->LoggedOnSession()->GetUserName(), "anna");
    EXPECT_EQ(m_app->LoggedOnSession()->GetGroupName(), "Group 4");
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_TRUE(m_ui.messages.empty());
}

// Behind the log-on dialog the window shows no accounts; once the user is let in, the panes show and
// the status bar names the user, with a name a screen reader reads.
TEST_F(CCustodiaAppTest, AccountsShowOnlyAfterTheLogonAndTheStatusBarNamesTheUser)
{
    MakeOffice(true);
    bool hiddenBehindDialog = false;
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        hiddenBehindDialog = !m_app->MainFrame()->AccountsShown()
            && !m_app->MainFrame()->findChild<QWidget*>("loginPathTree")->isVisible();
        QTest::keyClicks(dialog.findChild<QLineEdit*>("userName"), "anna");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("password"), "secret");
        QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
    });
    ASSERT_TRUE(Start().InitInstance());
    EXPECT_TRUE(hiddenBehindDialog);
    EXPECT_TRUE(m_app->MainFrame()->AccountsShown());
    const auto* label = m_app->MainFrame()->findChild<QLabel*>("loggedOnUser");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(m_app->MainFrame()->LoggedOnText().contains("anna"));
    EXPECT_FALSE(label->accessibleName().isEmpty());
}

TEST_F(CCustodiaAppTest, CommandLineLogonRunsTheConsoleWithoutAKeyPress)
{
    MakeOffice(true);
    ASSERT_TRUE(Start({ "custodia", "password=secret", "username=anna" }).InitInstance());
    EXPECT_EQ(m_app->LoggedOnSession()->GetUserName(), "anna");
    EXPECT_TRUE(m_ui.messages.empty());
}

// The group lacks the console's own right, or no profile holds the group at all.
TEST_F(CCustodiaAppTest, GroupWithoutTheConsoleRightEndsAfterTheRefusal)
{
    MakeOffice(false);
    EXPECT_FALSE(Start({ "custodia", "username=anna", "password=secret" }).InitInstance());
    ExpectOnlyTheRefusal();
}

TEST_F(CCustodiaAppTest, GroupInNoProfileEndsAfterTheRefusal)
{
    const std::string path = MakeOffice(true);
    AddUser(path, "carl", "secret", 9);
    EXPECT_FALSE(Start({ "custodia", "username=carl", "password=secret" }).InitInstance());
    ExpectOnlyTheRefusal();
}

TEST_F(CCustodiaAppTest, CancelledLogonEndsWithoutAWord)
{
    MakeOffice(true);
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("userName"), "anna");
        QTest::keyClicks(dialog.findChild<QLineEdit*>("password"), "wrong");
        QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, Word(535));
        EXPECT_EQ(m_ui.messages[0].caption, "Custodia");
        QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    EXPECT_FALSE(Start().InitInstance());
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_FALSE(m_app->LoggedOnSession()->GetUserName());
}

TEST_F(CCustodiaAppTest, AboutCommandShowsTheDialogWithoutLogon)
{
    MakeOffice(true);
    ASSERT_TRUE(Start({ "custodia", "username=anna", "password=secret" }).InitInstance());
    bool shown = false;
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        shown = true;
        EXPECT_EQ(dialog.findChild<QLabel*>("notice")->text(), Word(89));
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("userName")->isVisible());
        EXPECT_FALSE(dialog.findChild<QPushButton*>("ok")->isVisible());
        QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    emit m_app->MainFrame()->aboutRequested();
    EXPECT_TRUE(shown);
    EXPECT_EQ(m_app->LoggedOnSession()->GetUserName(), "anna"); // the About box logs nobody off or on
    EXPECT_TRUE(m_ui.messages.empty());
}

// "custo.cfg" linked to the process's own memory opens, then fails on the first read.
TEST_F(CCustodiaAppTest, StartsWhenReadingCustoCfgFailsAfterItsOpen)
{
    MakeEmptyPasswordFile(m_dir.path());
    std::filesystem::create_symlink("/proc/self/mem", m_dir.file("custo.cfg"));
    ASSERT_TRUE(Start().InitInstance());
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_EQ(m_app->Document()->LoginPathCount(), 0u);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains(QStringLiteral("\"custo.cfg\"")));
}

struct UnusableFileCase {
    const char* name;
    std::function<void(const std::string& path)> plant;
    const char* cause;
};

class UnusableLoginPathFileTest : public CCustodiaAppTest, public ::testing::WithParamInterface<UnusableFileCase> { };

// Start-up returns at once and says what is wrong, rather than hang or show an empty tree as if all
// were well.
TEST_P(UnusableLoginPathFileTest, StartsAndSaysWhy)
{
    MakeEmptyPasswordFile(m_dir.path());
    GetParam().plant(m_dir.file("custo.cfg"));
    ASSERT_TRUE(Start().InitInstance());
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text,
        QStringLiteral("The file \"custo.cfg\" could not be read: %1.").arg(QString::fromLatin1(GetParam().cause)));
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnusableLoginPathFileTest,
    ::testing::Values(
        UnusableFileCase { "Fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); },
            "not a regular file (a named pipe (FIFO))" },
        UnusableFileCase { "DevZero",
            [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
            "not a regular file (a character device)" },
        UnusableFileCase { "Folder", [](const std::string& path) { std::filesystem::create_directory(path); },
            "not a regular file (a folder)" },
        UnusableFileCase { "Sparse",
            [](const std::string& path) {
                WriteText(path, "");
                ASSERT_EQ(::truncate(path.c_str(), off_t { 2 } << 30), 0);
            },
            "damaged" }),
    [](const auto& info) { return std::string(info.param.name); });

// A pipe as the user file of the current folder asks for a log-on; it does not hang the start.
TEST_F(CCustodiaAppTest, PipeAsTheUserFileAsksForALogOn)
{
    ASSERT_EQ(::mkfifo(m_dir.file("tessel.pwd").c_str(), 0666), 0);
    bool asked = false;
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        asked = true;
        QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
    });
    EXPECT_FALSE(Start().InitInstance());
    EXPECT_TRUE(asked);
}

} // namespace
} // namespace custodia::test
