#include "app/LogonDialog.h"
#include "app/LogonCheck.h"
#include "app/LogonFixture.h"
#include "platform/SharedFile.h"
#include "store/Session.h"
#include "ui/BackgroundCall.h"
#include "ui/FileWaitFeedback.h"
#include "words/WordTable.h"

#include <QDialog>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace custodia::test {
namespace {

const QString kCaption = QStringLiteral("Custodia");

QString MessageText(LogonMessage message)
{
    return QStringLiteral("message %1").arg(static_cast<int>(message));
}

class LogonDialogTest : public LogonFixture {
protected:
    LogonDialogTest()
        : m_dialog(m_session, m_words, m_ui, "Title", "Subtitle", "V4.84")
    {
        for (int i = 0; i < kLogonMessageCount; ++i)
            m_dialog.SetMessage(static_cast<LogonMessage>(i), MessageText(static_cast<LogonMessage>(i)));
        m_dialog.SetUserNameLabel("User name:");
        m_dialog.SetPasswordLabel("Password:");
        m_dialog.SetLoginPathLabel("Login path:");
    }

    QLineEdit* Field(const char* name) const { return m_dialog.findChild<QLineEdit*>(name); }
    QPushButton* Button(const char* name) const { return m_dialog.findChild<QPushButton*>(name); }

    void Type(const QString& userName, const QString& password, const QString& loginPath) const
    {
        Field("userName")->setText(userName);
        Field("password")->setText(password);
        Field("loginPath")->setText(loginPath);
    }

    std::vector<QString> MessageTexts() const
    {
        std::vector<QString> texts;
        for (const auto& message : m_ui.messages) {
            EXPECT_EQ(message.caption, kCaption);
            EXPECT_EQ(message.icon, UiServices::Icon::Critical);
            EXPECT_EQ(message.buttons, UiServices::Buttons::Ok);
            texts.push_back(message.text);
        }
        return texts;
    }

    Session m_session;
    WordTable m_words; // none loaded: the dialog is given its texts
    LogonDialog m_dialog;
};

TEST_F(LogonDialogTest, SplashWithoutLogonEndsByItselfWithOk)
{
    MakeEmptyPasswordFile(m_dir.path());
    bool checked = false;
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        for (const char* field : { "userName", "password", "loginPath" })
            EXPECT_FALSE(Field(field)->isVisible()) << field;
        EXPECT_FALSE(Button("ok")->isVisible());
        EXPECT_TRUE(Button("cancel")->isVisible());
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->objectName() != "notice") {
                EXPECT_FALSE(label->isVisible()) << label->text().toStdString();
            }
        }
        auto* timer = dialog.findChild<QTimer*>("splashTimer");
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), LogonDialog::kSplashInterval);
        checked = true;
        timer->start(0); // the three seconds, run out at once
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Accepted);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(m_dialog.GetLogonRequired());
    EXPECT_FALSE(m_session.GetLogonRequired());
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(LogonDialogTest, SplashEndsWithOkOnEscapeOrEnter)
{
    MakeEmptyPasswordFile(m_dir.path());
    for (Qt::Key key : { Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter }) {
        LogonDialog dialog(m_session, m_words, m_ui, "Title", "Subtitle", "V4.84");
        WhenLogonDialogShows([key](LogonDialog& shown) { QTest::keyClick(&shown, key); });
        EXPECT_EQ(dialog.RunAtStartup(), QDialog::Accepted) << key;
        EXPECT_FALSE(dialog.GetLogonRequired());
    }
}

TEST_F(LogonDialogTest, AboutBoxHasNoFieldsNoTimerAndEndsWithOk)
{
    AddUser(m_dir.path(), "anna", "secret", 1); // would demand a log-on at start-up
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        EXPECT_FALSE(Field("userName")->isVisible());
        EXPECT_FALSE(Button("ok")->isVisible());
        EXPECT_FALSE(dialog.findChild<QTimer*>("splashTimer")->isActive());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(m_dialog.exec(), QDialog::Accepted);
    EXPECT_FALSE(m_dialog.GetLogonRequired());
}

TEST_F(LogonDialogTest, MissingUserFileDemandsLogonAndCancelRefuses)
{
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        for (const char* field : { "userName", "password", "loginPath" })
            EXPECT_TRUE(Field(field)->isVisible()) << field;
        EXPECT_TRUE(Button("ok")->isVisible());
        EXPECT_TRUE(Button("ok")->isDefault());
        EXPECT_EQ(Field("userName")->maxLength(), 42);
        EXPECT_EQ(Field("password")->maxLength(), 50);
        EXPECT_EQ(Field("password")->echoMode(), QLineEdit::Password);
        EXPECT_EQ(Field("loginPath")->maxLength(), 260);
        EXPECT_FALSE(dialog.findChild<QTimer*>("splashTimer")->isActive());
        QTest::mouseClick(Button("cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Rejected);
    EXPECT_TRUE(m_dialog.GetLogonRequired());
    EXPECT_TRUE(m_session.GetLogonRequired());
    EXPECT_TRUE(m_ui.messages.empty());
}

// A log-on that meets a held user file waits off the window's thread with the wait dialog in front;
// Cancel there ends the try with the file's message, and the dialog stays for the next one.
TEST_F(LogonDialogTest, HeldUserFileShowsTheWaitDialogAndCancelLeavesTheDialogForAnotherTry)
{
    const std::string path = MakeLoginPath("office");
    AddUser(path, "anna", "Secret", 3, "Anna Berg");
    QWidget window;
    BackgroundCall calls(m_words, &window);
    int waits = 0;
    int shownAt = 0;
    // Each wait of the worker runs here, on the window's thread, before the worker goes on.
    calls.SetSleepFunction([&](int) {
        QMetaObject::invokeMethod(
            &window,
            [&] {
                ++waits;
                QDialog* wait = calls.Feedback() != nullptr ? calls.Feedback()->Dialog() : nullptr;
                if (wait != nullptr && wait->isVisible()) {
                    shownAt = waits;
                    wait->findChild<QPushButton*>()->click();
                }
            },
            Qt::BlockingQueuedConnection);
    });
    m_dialog.SetCalls(&calls);
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(
        path + "/tessel.pwd", openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        Type("anna", "Secret", QString::fromStdString(path));
        QTest::mouseClick(Button("ok"), Qt::LeftButton);
        EXPECT_EQ(shownAt, 3);
        EXPECT_EQ(waits, 3) << "Cancel ends the waiting";
        EXPECT_EQ(MessageTexts(), std::vector<QString> { MessageText(LogonMessage::PasswordFileUnreadable) });
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(m_session.GetUserName());
        holder.Close();
        QTest::mouseClick(Button("ok"), Qt::LeftButton);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Accepted);
    EXPECT_EQ(m_session.GetUserName(), "anna");
}

// A refused OK shows its message over the dialog, which stays open with its fields as they were; a
// right one then logs on.
TEST_F(LogonDialogTest, WrongPasswordIsRefusedThenTheRightOneLogsOn)
{
    const std::string path = MakeLoginPath("office");
    AddUser(path, "anna", "Secret", 3, "Anna Berg");
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        QTest::keyClicks(Field("userName"), "anna");
        QTest::keyClicks(Field("password"), "secret");
        Field("loginPath")->setText(QString::fromStdString(path));
        QTest::keyClick(Field("password"), Qt::Key_Return);
        EXPECT_EQ(MessageTexts(), std::vector<QString> { MessageText(LogonMessage::WrongPassword) });
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Field("userName")->text(), "anna");
        EXPECT_EQ(Field("password")->text(), "secret");
        EXPECT_FALSE(m_session.GetUserName());

        Field("password")->clear();
        QTest::keyClicks(Field("password"), "Secret");
        QTest::mouseClick(Button("ok"), Qt::LeftButton);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Accepted);
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_dialog.GetLoginPath(), path);
    EXPECT_EQ(m_dialog.GetGroupNumber(), 3);
    EXPECT_EQ(m_session.GetUserName(), "anna");
    EXPECT_EQ(m_session.GetPassword(), "Secret");
    EXPECT_EQ(m_session.GetFullName(), "Anna Berg");
    EXPECT_EQ(m_session.GetDescription(), "Description");
    EXPECT_EQ(m_session.GetDatabaseMode(), 1);
    EXPECT_EQ(m_session.GetDatabaseMask(), 0x5u);
    EXPECT_NE(m_session.GetDatabaseList(), nullptr);
}

TEST_F(LogonDialogTest, EmptyNameOrPasswordDoesNothing)
{
    AddUser(m_dir.path(), "anna", "secret", 1);
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        for (auto [name, password] : { std::pair { "anna", "" }, std::pair { "", "secret" } }) {
            Type(name, password, "");
            QTest::mouseClick(Button("ok"), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
        }
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Rejected);
    EXPECT_TRUE(m_ui.messages.empty());
}

// Each way the user file can fail, with the message it gives; an empty login path is the current
// directory.
TEST_F(LogonDialogTest, EachFailureGivesItsOwnMessage)
{
    const std::string good = MakeLoginPath("good");
    AddUser(good, "anna", "secret", 1);
    const std::string empty = MakeLoginPath("empty");
    const std::string shortHeader = MakeLoginPath("short");
    WriteBytes(shortHeader + "/tessel.pwd", std::vector<unsigned char>(20, 'Q'));
    const std::string wrongTitle = MakeLoginPath("title");
    std::vector<unsigned char> header(54, 0);
    const std::string otherTitle = "Somebody Else's File";
    std::copy(otherTitle.begin(), otherTitle.end(), header.begin());
    WriteBytes(wrongTitle + "/tessel.pwd", header);
    const std::string unreadable = MakeLoginPath("unreadable");
    std::filesystem::create_directory(unreadable + "/tessel.pwd");

    struct Case {
        std::string loginPath;
        QString userName;
        LogonMessage message;
    };
    const Case cases[] = {
        { good, "nobody", LogonMessage::NoSuchUser },
        { good, "Anna", LogonMessage::NoSuchUser }, // names are case-sensitive
        { "", "anna", LogonMessage::NoPasswordFile }, // the current directory holds none
        { empty, "anna", LogonMessage::NoPasswordFile },
        { shortHeader, "anna", LogonMessage::PasswordFileHeaderShort },
        { wrongTitle, "anna", LogonMessage::PasswordFileWrongTitle },
        { unreadable, "anna", LogonMessage::PasswordFileUnreadable },
    };
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        for (const Case& c : cases) {
            m_ui.messages.clear();
            Type(c.userName, "secret", QString::fromStdString(c.loginPath));
            QTest::mouseClick(Button("ok"), Qt::LeftButton);
            EXPECT_EQ(MessageTexts(), std::vector<QString> { MessageText(c.message) }) << c.loginPath;
            EXPECT_TRUE(dialog.isVisible());
        }
        QTest::mouseClick(Button("cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Rejected);
    EXPECT_FALSE(m_session.GetUserName());
}

TEST_F(LogonDialogTest, CommandLineLogsOnWithoutAKeyPress)
{
    const std::string path = MakeLoginPath("office");
    AddUser(path, "anna", "secret", 2);
    m_dialog.SetDefaultLoginPath(QString::fromStdString(path));
    m_dialog.SetArguments({ "custodia", "username=bob", "username=anna", "password=secret" });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Accepted);
    EXPECT_EQ(m_session.GetUserName(), "anna");
    EXPECT_EQ(m_dialog.GetGroupNumber(), 2);
    EXPECT_EQ(m_dialog.GetLoginPath(), path);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(LogonDialogTest, CommandLineWithWrongPasswordShowsTheMessageOnceAndWaits)
{
    const std::string path = MakeLoginPath("office");
    AddUser(path, "anna", "secret", 2);
    m_dialog.SetDefaultLoginPath(QString::fromStdString(path));
    m_dialog.SetArguments({ "custodia", "username=anna", "password=guess" });
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_ui.messages.empty(); }, 2000));
        QTest::qWait(0); // no second automatic OK follows
        EXPECT_EQ(MessageTexts(), std::vector<QString> { MessageText(LogonMessage::WrongPassword) });
        EXPECT_EQ(Field("userName")->text(), "anna");
        EXPECT_EQ(Field("password")->text(), "guess");
        QTest::mouseClick(Button("cancel"), Qt::LeftButton);
        (void)dialog;
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Rejected);
    EXPECT_EQ(m_ui.messages.size(), 1u);
}

TEST_F(LogonDialogTest, CommandLineNameWithoutPasswordWaitsForThePassword)
{
    const std::string path = MakeLoginPath("office");
    AddUser(path, "anna", "secret", 2);
    m_dialog.SetDefaultLoginPath(QString::fromStdString(path));
    m_dialog.SetArguments({ "custodia", "username=anna", "password=" });
    WhenLogonDialogShows([&](LogonDialog& dialog) {
        QTest::qWait(0); // the one automatic OK has run, without effect
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Field("userName")->text(), "anna");
        EXPECT_TRUE(m_ui.messages.empty());
        QTest::keyClicks(Field("password"), "secret");
        QTest::keyClick(Field("password"), Qt::Key_Enter);
    });
    EXPECT_EQ(m_dialog.RunAtStartup(), QDialog::Accepted);
    EXPECT_EQ(m_session.GetUserName(), "anna");
}

// A password that differs only after a character the other lacks, or only in letter case, is not the
// stored one; the full 50 characters the field takes are compared.
TEST(AttemptLogon, ComparesEveryByteOfThePassword)
{
    TempDir dir;
    ScopedPlatformOverride platform([](int) {}, {});
    const std::string longest(50, 'p');
    ASSERT_TRUE(StoreUser(dir.path(), UserRecord { 0, 0, "anna", "", "", longest, 1 }));
    ASSERT_TRUE(StoreUser(dir.path(), UserRecord { 0, 0, "bob", "", "", "Secret", 1 }));
    struct Case {
        const char* user;
        std::string typed;
        bool loggedOn;
    };
    const Case cases[] = {
        { "anna", longest, true },
        { "anna", std::string(49, 'p'), false },
        { "bob", "Secret", true },
        { "bob", "secret", false },
        { "bob", "Secre", false },
        { "bob", "Secrets", false },
        { "bob", std::string("Secret\0x", 8), false },
    };
    for (const Case& c : cases) {
        Session session;
        const NativePath loginPath(dir.path());
        const LogonOutcome outcome
            = AttemptLogon(session, PasswordFileStore(loginPath), DatabaseListStore(loginPath), c.user, c.typed);
        EXPECT_EQ(outcome.kind == LogonOutcome::Kind::LoggedOn, c.loggedOn) << c.user << " " << c.typed;
        EXPECT_EQ(session.GetUserName().has_value(), c.loggedOn);
    }
}

// The title, subtitle and version are painted beside the picture from "splash.bmp", here one written by
// Qt's own BMP writer.
TEST_F(LogonDialogTest, PaintsThePictureAndTheTexts)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 120, 200));
    ASSERT_TRUE(picture.save("splash.bmp", "BMP"));
    MakeEmptyPasswordFile(m_dir.path());
    LogonDialog dialog(m_session, m_words, m_ui, "Quarva", "Custodia Account Console", "V4.84");
    dialog.SetSplashInterval(60000);
    QImage shot;
    int textColumn = 0;
    WhenLogonDialogShows([&](LogonDialog& shown) {
        shot = shown.grab().toImage();
        textColumn = shown.findChild<QWidget*>("pictureFrame")->geometry().right();
        QTest::keyClick(&shown, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.RunAtStartup(), QDialog::Accepted);
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixelColor(16, 16), QColor(10, 120, 200));
    EXPECT_EQ(shot.pixelColor(55, 45), QColor(10, 120, 200));
    EXPECT_EQ(dialog.findChild<QWidget*>("pictureFrame")->size(), QSize(40, 30));

    // Dark title pixels right of the picture, in the band of the title.
    int dark = 0;
    for (int y = 5; y < 40; ++y) {
        for (int x = textColumn + 1; x < shot.width(); ++x)
            dark += qGray(shot.pixel(x, y)) < 60 ? 1 : 0;
    }
    EXPECT_GT(dark, 30);
}

} // namespace
} // namespace custodia::test
