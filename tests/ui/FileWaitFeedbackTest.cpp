#include "ui/FileWaitFeedback.h"
#include "app/MainWindowFixture.h"
#include "platform/SharedFile.h"
#include "ui/BackgroundCall.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace custodia::test {
namespace {

constexpr unsigned kRead = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
constexpr unsigned kHold = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;

// A call of the window that opens one file, its waits paced one at a time as in the window's tests:
// after each wait has been posted, step runs on the window's thread with the number of the wait.
class FileWaitFeedbackTest : public ::testing::Test {
protected:
    FileWaitFeedbackTest()
        : m_cwd(m_dir.path())
        , m_words(LoadInstalledWords())
        , m_call(*m_words, &m_window)
    {
        m_window.show();
    }

    QString W(int number) const { return QString::fromStdString(m_words->GetWord(number)); }

    void OpenPaced(const std::string& name, const std::function<void(int wait)>& step)
    {
        int waits = 0;
        m_call.SetSleepFunction([&](int) {
            QMetaObject::invokeMethod(
                &m_window, [&] { step(++waits); }, Qt::BlockingQueuedConnection);
        });
        m_call.Run([&](const FileEnvironment& environment) {
            SharedFile file(environment);
            return file.OpenWithRetry(name, kRead);
        });
    }

    QString TriesShown() const
    {
        QDialog* dialog = m_call.Feedback() != nullptr ? m_call.Feedback()->Dialog() : nullptr;
        return dialog != nullptr ? dialog->findChild<QLabel*>("waitTries")->text() : QString();
    }

    std::string Log() const { return ReadText(m_dir.file(SharedFile::kErrorLogName)); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    std::unique_ptr<WordTable> m_words;
    QWidget m_window;
    BackgroundCall m_call;
};

// The dialog shows the limit of the open it waits for: six tries for a bad path, sixty for a held file.
TEST_F(FileWaitFeedbackTest, TheTryIsShownOutOfTheOpensOwnLimit)
{
    struct Case {
        std::string name;
        int limit;
    };
    const std::string held = m_dir.file("tessel.pwd");
    WriteText(held, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(held, kHold));
    const Case cases[] = { { m_dir.file(std::string(300, 'n') + "/tessel.pwd"), 6 }, { held, 60 } };
    for (const Case& c : cases) {
        QStringList shown;
        OpenPaced(c.name, [&](int wait) {
            if (wait <= 6)
                shown.append(TriesShown());
        });
        QStringList expected { QString(), QString() }; // the dialog waits about a second before it shows
        for (int tries = 3; tries <= 6; ++tries)
            expected.append(W(785).arg(tries).arg(c.limit));
        EXPECT_EQ(shown, expected) << c.limit;
    }
}

// Cancel ends the waiting before the next wait, and the log tells the tries made, not the limit.
TEST_F(FileWaitFeedbackTest, ACancelledWaitLogsTheTriesMade)
{
    const std::string held = m_dir.file("tessel.pwd");
    WriteText(held, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(held, kHold));
    int lastWait = 0;
    OpenPaced(held, [&](int wait) {
        lastWait = wait;
        if (wait == 10)
            m_call.Feedback()->Dialog()->reject();
    });
    EXPECT_EQ(lastWait, 10);
    EXPECT_NE(Log().find(held + " (tries:11 cause:11)"), std::string::npos) << Log();
}

} // namespace
} // namespace custodia::test
