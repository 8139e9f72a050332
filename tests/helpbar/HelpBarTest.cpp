#include "helpbar/HelpBarFixture.h"
#include "helpbar/HelpBarHeader.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

namespace custodia::test {
namespace {

using Placement = HelpTextView::Placement;

class HelpBarTest : public HelpBarFixture {
protected:
    // The format of the character at a position of the shown text.
    QTextCharFormat FormatAt(int position) const
    {
        QTextCursor cursor(Text().document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

    // Where the line of a position stands in the text box's viewport.
    int ViewportTopOf(int position) const
    {
        QTextCursor cursor(Text().document());
        cursor.setPosition(position);
        return Text().cursorRect(cursor).top();
    }

    QList<QTextEdit::ExtraSelection> Highlights() const { return Text().extraSelections(); }
    QString HighlightedText() const
    {
        const auto range = Text().HighlightedRange();
        return range ? TextAt(range->position, range->length) : QString();
    }
};

TEST_F(HelpBarTest, ShowsEachLineInTheStyleOfItsTagsAndListsTheTitles)
{
    WriteHelp("eng", "<T>Users\nPlain text line.\n<B>Bold<I> line\n<I>Italic line\n<BI>Both\n<T>Groups  \n");
    OpenBar();
    EXPECT_EQ(Text().toPlainText(), "Users\nPlain text line.\nBold line\nItalic line\nBoth\nGroups  \n");
    ASSERT_EQ(Rows(Contents()), QStringList({ "Users", "Groups" }));
    EXPECT_EQ(Contents().item(0)->data(Qt::UserRole).toInt(), 0);
    EXPECT_EQ(Contents().item(1)->data(Qt::UserRole).toInt(), 50);

    const int base = Text().BaseHeight();
    struct Expected {
        int position;
        bool bold;
        bool italic;
        int pixelSize;
        QColor colour;
    };
    const Expected expected[] = {
        { 0, true, false, base * 3 / 2, Qt::black }, // title
        { 6, false, false, base * 10 / 9, QColor(0, 60, 181) }, // plain
        { 23, true, false, base * 10 / 9, Qt::black }, // <B> wins over <I>
        { 33, false, true, base * 10 / 9, Qt::black },
        { 45, true, true, base * 10 / 9, Qt::black },
    };
    for (const Expected& e : expected) {
        const QTextCharFormat format = FormatAt(e.position);
        EXPECT_EQ(format.fontWeight() >= QFont::Bold, e.bold) << e.position;
        EXPECT_EQ(format.fontItalic(), e.italic) << e.position;
        EXPECT_EQ(format.font().pixelSize(), e.pixelSize) << e.position;
        EXPECT_EQ(format.foreground().color(), e.colour) << e.position;
        EXPECT_EQ(format.font().family(), "Arial") << e.position;
    }
    EXPECT_EQ(Rows(Hits()), QStringList({ W(Word::HelpSearchHint) }));
    EXPECT_EQ(Hits().item(0)->foreground().color(), CHelpBar::kGreyRowColour);
    EXPECT_EQ(Tabs().tabText(0), W(Word::HelpContentsTab));
    EXPECT_EQ(Tabs().tabText(1), W(Word::HelpSearchResultsTab));
}

TEST_F(HelpBarTest, ThreeMatchesInOneSectionGiveOneSectionRowAndHighlightTheFirst)
{
    WriteHelp("eng",
        "<T>Intro\nNothing here.\n<T>Secrets\n"
        "A password is secret. Change the password often, and never write a password down.\n");
    OpenBar();
    Search("PassWord");

    EXPECT_EQ(Tabs().currentIndex(), CHelpBar::kSearchResultsTab);
    EXPECT_TRUE(m_bar->ShowsHits());
    const QStringList rows = Rows(Hits());
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], "Secrets");
    EXPECT_EQ(rows[1], "      A password is secret. Change t...");
    EXPECT_EQ(Hits().currentRow(), 1);
    EXPECT_EQ(Hits().item(1)->foreground().color(), Qt::black);
    ASSERT_TRUE(Text().HighlightedRange());
    EXPECT_EQ(Text().HighlightedRange()->position, Text().toPlainText().indexOf("password"));
    EXPECT_EQ(HighlightedText(), "password");
    ASSERT_EQ(Highlights().size(), 1);
    EXPECT_TRUE(Highlights()[0].format.fontUnderline());
    EXPECT_EQ(Highlights()[0].format.foreground().color(), HelpTextView::kHighlightColour);
}

TEST_F(HelpBarTest, DoubleClickMovesTheHighlightAndLeavesTheEarlierTextAsItWas)
{
    WriteHelp("eng", "<T>Secrets\nA password is secret. Change the password often.\n");
    OpenBar();
    Search("password");
    const int first = Text().HighlightedRange()->position;
    const QTextCharFormat before = FormatAt(first);

    DoubleClick(Hits(), 2);
    ASSERT_TRUE(Text().HighlightedRange());
    EXPECT_EQ(Text().HighlightedRange()->position, Text().toPlainText().indexOf("password", first + 1));
    ASSERT_EQ(Highlights().size(), 1);
    EXPECT_EQ(Highlights()[0].cursor.selectionStart(), Text().HighlightedRange()->position);
    EXPECT_EQ(FormatAt(first), before);
    EXPECT_FALSE(FormatAt(first).fontUnderline());

    // The section row highlights the title; the contents list does the same.
    DoubleClick(Hits(), 0);
    EXPECT_EQ(HighlightedText(), "Secrets");
    Tabs().setCurrentIndex(CHelpBar::kContentsTab);
    DoubleClick(Contents(), 0);
    EXPECT_EQ(HighlightedText(), "Secrets");
    EXPECT_EQ(Highlights().size(), 1);
}

struct ContextCase {
    const char* paragraph;
    const char* searchText;
    const char* context;
};

class HelpBarContextTest : public HelpBarTest, public ::testing::WithParamInterface<ContextCase> { };

TEST_P(HelpBarContextTest, MatchRowsShowTheTextAroundTheMatch)
{
    WriteHelp("eng", std::string("<T>Intro\n") + GetParam().paragraph + "\n");
    OpenBar();
    Search(GetParam().searchText);
    ASSERT_EQ(Hits().count(), 2);
    EXPECT_EQ(Hits().item(1)->text(), GetParam().context);
}

INSTANTIATE_TEST_SUITE_P(Contexts, HelpBarContextTest,
    ::testing::Values(
        // Within 20 characters after a full stop: from after it, without "..." in front.
        ContextCase { "Keep it short. The key opens the door to every program of the suite.", "key",
            "      The key opens the door to e..." },
        ContextCase { "This paragraph is long enough that the middle word lies far from both ends of it.", "middle",
            "      ...ong enough that the middle word lies far from ..." },
        // A line end on either side ends the context there.
        ContextCase { "Ends with the key", "key", "      Ends with the key" }));

TEST_F(HelpBarTest, WithoutAnyHelpFileTheBarIsEmptyAndSearchesFindNothing)
{
    OpenBar();
    EXPECT_TRUE(m_bar->HelpFileName().empty());
    EXPECT_EQ(Contents().count(), 0);
    EXPECT_TRUE(Text().toPlainText().isEmpty());

    Search("password");
    EXPECT_EQ(Rows(Hits()), QStringList({ W(Word::HelpNoMatches) }));
    EXPECT_EQ(Hits().item(0)->foreground().color(), CHelpBar::kGreyRowColour);
    EXPECT_FALSE(m_bar->ShowsHits());
    DoubleClick(Hits(), 0);
    EXPECT_FALSE(Text().HighlightedRange());

    // An empty search text ends too, with nothing found.
    Search("");
    EXPECT_EQ(Rows(Hits()), QStringList({ W(Word::HelpNoMatches) }));
}

TEST_F(HelpBarTest, ASearchWithoutMatchesTakesTheHighlightAway)
{
    WriteHelp("eng", "<T>Secrets\nA password.\n");
    OpenBar();
    Search("password");
    ASSERT_TRUE(Text().HighlightedRange());
    Search("nowhere");
    EXPECT_FALSE(Text().HighlightedRange());
    EXPECT_TRUE(Highlights().isEmpty());
}

TEST_F(HelpBarTest, TakesTheLanguagesHelpFileAndFallsBackOnEnglish)
{
    WriteHelp("eng", "<T>English\n");
    SetLanguage("ger");
    WriteHelp("ger", "<T>Deutsch\n");
    OpenBar();
    EXPECT_EQ(m_bar->HelpFileName(), kTestHelpBase + ".ger");
    EXPECT_EQ(Rows(Contents()), QStringList({ "Deutsch" }));
    m_bar.reset();

    // Not a help file: its first line lacks the marker.
    WriteText(m_dir.file(kTestHelpBase + ".ger"), "<T>Deutsch\n<T>Mehr\n");
    OpenBar();
    EXPECT_EQ(m_bar->HelpFileName(), kTestHelpBase + ".eng");
    EXPECT_EQ(Rows(Contents()), QStringList({ "English" }));
    m_bar.reset();

    std::filesystem::remove(m_dir.file(kTestHelpBase + ".ger"));
    OpenBar();
    EXPECT_EQ(m_bar->HelpFileName(), kTestHelpBase + ".eng");
}

TEST_F(HelpBarTest, ScrollsATitleToTheTopAndAMatchALittleBelowIt)
{
    // Long enough that a third of its pages is more lines than the view shows: the match must still show.
    std::string lines = "<T>Start\n";
    for (int i = 0; i < 1500; ++i)
        lines += "Filler line " + std::to_string(i) + ".\n";
    lines += "<T>Far away\nThe needle is here.\n";
    for (int i = 0; i < 1500; ++i)
        lines += "More filler " + std::to_string(i) + ".\n";
    WriteHelp("eng", lines);
    OpenBar();
    ASSERT_GT(Text().verticalScrollBar()->maximum(), 0);

    DoubleClick(Contents(), 1);
    const int title = Contents().item(1)->data(Qt::UserRole).toInt();
    EXPECT_GT(Text().verticalScrollBar()->value(), 0);
    EXPECT_NEAR(ViewportTopOf(title), 0, 2);

    Search("needle");
    const int match = Text().HighlightedRange()->position;
    EXPECT_GT(ViewportTopOf(match), 2);
    EXPECT_LT(ViewportTopOf(match), Text().viewport()->height() / 2);
}

TEST_F(HelpBarTest, ExpandsToTheWindowsWidthAndRestores)
{
    OpenBar();
    QToolButton& expand = Child<QToolButton>("expandHelpBar");
    EXPECT_EQ(expand.toolTip(), W(Word::HelpExpandTooltip));
    const int width = m_bar->width();

    expand.click();
    EXPECT_TRUE(m_bar->IsExpanded());
    EXPECT_EQ(expand.toolTip(), W(Word::HelpRestoreTooltip));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_bar->width() > width; }));
    EXPECT_GE(m_bar->width(), m_frame.width() - m_frame.centralWidget()->minimumSizeHint().width() - 20);

    expand.click();
    EXPECT_FALSE(m_bar->IsExpanded());
    EXPECT_EQ(expand.toolTip(), W(Word::HelpExpandTooltip));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_bar->width() < width + 3; }));
    EXPECT_NEAR(m_bar->width(), width, 2);
}

// Widening and expanding flow the text anew: the line being read stays at the top, the highlighted hit
// in view, and the status bar does not keep the tip of what the button did before.
TEST_F(HelpBarTest, WideningKeepsTheReadingPlaceAndTheHighlightedHit)
{
    std::string lines = "<T>Start\n";
    for (int i = 0; i < 400; ++i)
        lines += "A filler line " + std::to_string(i) + " that is long enough to wrap when the bar is narrow.\n";
    lines += "The needle is here.\n";
    for (int i = 0; i < 400; ++i)
        lines += "More filler " + std::to_string(i) + ".\n";
    WriteHelp("eng", lines);
    OpenBar();
    Search("needle");
    const int match = Text().HighlightedRange()->position;
    const int top = Text().TopPosition();
    ASSERT_GT(top, 0);

    auto* status = new QStatusBar;
    m_frame.setStatusBar(status);
    QToolButton& expand = Child<QToolButton>("expandHelpBar");
    expand.click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_bar->width() > m_frame.width() / 2; }));
    EXPECT_EQ(Text().document()->findBlock(Text().TopPosition()).blockNumber(),
        Text().document()->findBlock(top).blockNumber());
    EXPECT_GE(ViewportTopOf(match), 0);
    EXPECT_LT(ViewportTopOf(match), Text().viewport()->height());
    EXPECT_EQ(Text().HighlightedRange()->position, match);

    // The pointer rests on the button, whose tip the status bar shows; the click moves it away.
    QStatusTipEvent hover(expand.statusTip());
    QCoreApplication::sendEvent(&expand, &hover);
    ASSERT_EQ(status->currentMessage(), W(Word::HelpRestoreTooltip));
    expand.click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_bar->width() < m_frame.width() / 2; }));
    EXPECT_EQ(Text().document()->findBlock(Text().TopPosition()).blockNumber(),
        Text().document()->findBlock(top).blockNumber());
    EXPECT_GE(ViewportTopOf(match), 0);
    EXPECT_LT(ViewportTopOf(match), Text().viewport()->height());
    EXPECT_NE(status->currentMessage(), W(Word::HelpRestoreTooltip));
}

TEST_F(HelpBarTest, DraggingTheLeftEdgeWidensTheBarAndTheWidthIsRemembered)
{
    OpenBar();
    QWidget* contents = m_bar->widget();
    const int width = m_bar->width();
    const QPoint edge(2, contents->height() / 2);
    ASSERT_LT(contents->mapTo(m_bar.get(), edge).x(), CHelpBar::kDragZoneWidth);
    const auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, contents->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(contents, &event);
    };
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, edge - QPoint(60, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge - QPoint(60, 0), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_bar->width() > width; }));
    EXPECT_NEAR(m_bar->width(), width + 60, 2);
    const int widened = m_bar->width();

    m_bar.reset();
    OpenBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(m_bar->width() - widened) <= 2; }));
}

TEST_F(HelpBarTest, NamesEveryControlForScreenReadersAndTooltips)
{
    OpenBar();
    EXPECT_EQ(Child<QToolButton>("closeHelpBar").accessibleName(), W(Word::HelpCloseTooltip));
    EXPECT_EQ(Child<QToolButton>("searchButton").toolTip(), W(Word::HelpSearchTooltip));
    EXPECT_EQ(Child<QLabel>("searchLabel").buddy(), &Child<QLineEdit>("searchBox"));
    EXPECT_EQ(Child<HelpBarHeader>("helpBarHeader").toolTip(), W(Word::HelpTitleTooltip));
    EXPECT_FALSE(Contents().accessibleName().isEmpty());
    EXPECT_FALSE(Hits().accessibleName().isEmpty());
    EXPECT_FALSE(Text().accessibleName().isEmpty());
    // The painted title fits beside the logo and left of the buttons.
    const auto& header = Child<HelpBarHeader>("helpBarHeader");
    EXPECT_GE(header.width(), header.minimumSizeHint().width());
}

} // namespace
} // namespace custodia::test
