#include "helpbar/CUrlLabel.h"
#include "helpbar/HyperlinkError.h"
#include "helpbar/LinkOpener.h"
#include "support/FakeUiServices.h"

#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

class UrlLabelTest : public ::testing::Test {
protected:
    UrlLabelTest()
        : m_link(m_ui, &m_window)
    {
        m_link.setText(QStringLiteral("support@custodia.example"));
        m_link.move(20, 20);
        m_window.resize(300, 100);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    FakeUiServices m_ui;
    QWidget m_window;
    CUrlLabel m_link;
};

TEST_F(UrlLabelTest, AClickOpensTheTargetAndMarksTheLinkVisited)
{
    m_link.SetURL(QStringLiteral("mailto:support@custodia.example"));
    EXPECT_EQ(m_link.toolTip(), "mailto:support@custodia.example");
    EXPECT_EQ(m_link.TextColour(), CUrlLabel::kLinkColour);
    EXPECT_EQ(m_link.cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(&m_link, Qt::LeftButton);
    EXPECT_EQ(m_ui.openedLinks, QStringList({ "mailto:support@custodia.example" }));
    EXPECT_TRUE(m_link.IsVisited());
    EXPECT_EQ(m_link.TextColour(), CUrlLabel::kVisitedColour);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(UrlLabelTest, WithoutATargetOfItsOwnTheShownTextIsOpened)
{
    QTest::mouseClick(&m_link, Qt::LeftButton);
    EXPECT_EQ(m_ui.openedLinks, QStringList({ "support@custodia.example" }));
}

TEST_F(UrlLabelTest, EnterAndSpaceOpenTheLinkThatHasTheFocus)
{
    EXPECT_EQ(m_link.focusPolicy(), Qt::StrongFocus);
    QTest::keyClick(&m_link, Qt::Key_Return);
    QTest::keyClick(&m_link, Qt::Key_Space);
    EXPECT_EQ(m_ui.openedLinks.size(), 2);
}

TEST_F(UrlLabelTest, AFailedOpenSaysWhyAndLeavesTheLinkUnvisited)
{
    m_link.SetURL(QStringLiteral("mailto:support@custodia.example"));
    m_ui.openLinkResult = kLinkNoAssociation;
    QTest::mouseClick(&m_link, Qt::LeftButton);
    ASSERT_EQ(m_ui.messages.size(), 1U);
    EXPECT_EQ(m_ui.messages[0].text,
        "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(m_ui.messages[0].caption, "Custodia");
    EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Warning);
    EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::Ok);
    EXPECT_FALSE(m_link.IsVisited());

    // A later failure takes the visited mark away again.
    m_ui.openLinkResult = 33;
    QTest::mouseClick(&m_link, Qt::LeftButton);
    ASSERT_TRUE(m_link.IsVisited());
    m_ui.openLinkResult = 2;
    QTest::mouseClick(&m_link, Qt::LeftButton);
    EXPECT_FALSE(m_link.IsVisited());
}

TEST_F(UrlLabelTest, TheUnderlineGoesSoonAfterThePointerLeftWithoutAnotherMessage)
{
    QCursor::setPos(m_link.mapToGlobal(m_link.rect().center()));
    QTest::mouseMove(&m_link, m_link.rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_link.IsHovering(); }));
    EXPECT_TRUE(m_link.font().underline());
    EXPECT_EQ(m_link.TextColour(), CUrlLabel::kHoverColour);

    // Only the pointer moves; the label hears nothing of it but its own timer.
    QCursor::setPos(m_window.mapToGlobal(QPoint(m_window.width() - 5, m_window.height() - 5)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_link.IsHovering(); }, 1000));
    EXPECT_FALSE(m_link.font().underline());
    EXPECT_EQ(m_link.TextColour(), CUrlLabel::kLinkColour);
}

struct ErrorCase {
    int result;
    const char* message;
};

class HyperlinkErrorTest : public ::testing::TestWithParam<ErrorCase> { };

TEST_P(HyperlinkErrorTest, ExplainsEachResultCode)
{
    EXPECT_EQ(HyperlinkErrorText(GetParam().result), QString("Unable to open hyperlink:\n\n") + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Codes, HyperlinkErrorTest,
    ::testing::Values(ErrorCase { 0, "The operating system is out\nof memory or resources." },
        ErrorCase { 2, "The specified file was not found." },
        // The trailing space is the message's own.
        ErrorCase { 26, "A sharing violation occurred. " },
        ErrorCase { 32, "The specified dynamic-link library was not found." },
        ErrorCase { 99, "Unknown Error (99) occurred." }, ErrorCase { -1, "Unknown Error (-1) occurred." }));

struct BrowserCase {
    const char* execLine;
    QStringList command;
};

class BrowserCommandTest : public ::testing::TestWithParam<BrowserCase> { };

TEST_P(BrowserCommandTest, PutsTheTargetWhereTheDesktopEntrySays)
{
    EXPECT_EQ(BrowserCommand(GetParam().execLine, "https://x.example/a b"), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(ExecLines, BrowserCommandTest,
    ::testing::Values(BrowserCase { "firefox %u", { "firefox", "https://x.example/a b" } },
        // What follows the target's place would only name more files.
        BrowserCase { "chromium --new-window %U --flag", { "chromium", "--new-window", "https://x.example/a b" } },
        BrowserCase { "browser", { "browser", "https://x.example/a b" } },
        BrowserCase { "app --icon %i --name=%c %f", { "app", "--icon", "--name=", "https://x.example/a b" } },
        BrowserCase { "\"/opt/my browser/run\" 100%% %u", { "/opt/my browser/run", "100%", "https://x.example/a b" } },
        BrowserCase { "%u", {} }, BrowserCase { "", {} }));

} // namespace
} // namespace custodia::test
