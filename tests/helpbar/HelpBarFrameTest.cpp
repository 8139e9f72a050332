#include "app/MainWindowFixture.h"
#include "helpbar/CHelpBar.h"
#include "helpbar/HelpBarSettings.h"
#include "platform/Platform.h"

#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>

namespace custodia::test {
namespace {

class HelpBarFrameTest : public MainWindowFixture {
protected:
    HelpBarFrameTest() { Forget(); }
    ~HelpBarFrameTest() override
    {
        m_frame.reset();
        Forget();
    }

    static void Forget()
    {
        const QString application = QCoreApplication::applicationName();
        const QString organisation
            = QCoreApplication::organizationName().isEmpty() ? application : QCoreApplication::organizationName();
        QSettings(QSettings::UserScope, organisation, application).remove(QStringLiteral("helpBar"));
    }

    void OpenWindowWithHelpBar()
    {
        OpenWindow();
        m_frame->AttachHelpBar(new CHelpBar(*m_words, *m_frame));
    }

    CHelpBar& Bar() const { return *m_frame->HelpBar(); }
    QAction& ToggleAction() const { return *m_frame->findChild<QAction*>("toggleHelpBar"); }
};

TEST_F(HelpBarFrameTest, TheMenuAndToolbarToggleShowAndHideTheBar)
{
    OpenWindowWithHelpBar();
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(ToggleAction().isChecked());
    EXPECT_TRUE(m_frame->findChild<QMenu*>("helpMenu")->actions().contains(&ToggleAction()));

    ToggleAction().trigger();
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_FALSE(ToggleAction().isChecked());
    EXPECT_FALSE(m_frame->IsHelpBarShown());

    ToggleAction().trigger();
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(ToggleAction().isChecked());

    // The bar's own close button hides it through the frame, so the toggle follows.
    Bar().findChild<QToolButton*>("closeHelpBar")->click();
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_FALSE(ToggleAction().isChecked());
    EXPECT_TRUE(m_ui.messages.empty());
}

// Showing or hiding the bar changes the list's width alone: the columns follow it, and the login path's
// files are not read again.
TEST_F(HelpBarFrameTest, TogglingTheBarFitsTheColumnsWithoutReadingTheFiles)
{
    const std::string path = MakeLoginPath("north");
    AddUser(path, "ann", "Ann Smith", "", 0);
    OpenWindowWithHelpBar();
    Select(CategoryItem(0, LoginPathCategory::Users));
    ASSERT_EQ(View().Mode(), ListMode::Users);
    const int before = View().ListClientWidth();

    ScopedReadCounter reads;
    ToggleAction().trigger();
    EXPECT_EQ(reads.Count(), 0u);
    const int width = View().ListClientWidth();
    EXPECT_GT(width, before);
    // The specified 3, 4, 4 and 5 units as parts of the width; the last column takes the rest.
    const QTreeView& list = View().DetailsView();
    EXPECT_EQ(list.columnWidth(0), static_cast<int>(3.0 / 16 * width));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return list.columnWidth(0) + list.columnWidth(1) + list.columnWidth(2) + list.columnWidth(3)
            == list.viewport()->width();
    }));
    EXPECT_EQ(View().TotalRowCount(), 1);
}

// Before the log-on the window shows no accounts and the bar fills it: no width to keep for the next
// start, which would otherwise open with the bar over most of the window.
TEST_F(HelpBarFrameTest, TheBarFillingAWindowWithoutAccountsKeepsTheWidthItHad)
{
    OpenWindowWithHelpBar();
    QApplication::processEvents();
    const int kept = RememberedHelpBarWidth();
    m_frame->SetAccountsShown(false);
    QApplication::processEvents();
    ASSERT_GT(Bar().width(), kept);
    EXPECT_EQ(RememberedHelpBarWidth(), kept);
    m_frame->SetAccountsShown(true);
    QApplication::processEvents();
    EXPECT_EQ(RememberedHelpBarWidth(), kept);
}

TEST_F(HelpBarFrameTest, AHiddenBarStaysHiddenAtTheNextStart)
{
    OpenWindowWithHelpBar();
    ToggleAction().trigger();
    m_frame.reset();

    OpenWindowWithHelpBar();
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_FALSE(ToggleAction().isChecked());
}

TEST_F(HelpBarFrameTest, F1ShowsTheBarWithTheCursorInItsSearchBox)
{
    OpenWindowWithHelpBar();
    ToggleAction().trigger();
    QApplication::setActiveWindow(m_frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));

    QTest::keyClick(m_frame.get(), Qt::Key_F1);
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(ToggleAction().isChecked());
    auto* search = Bar().findChild<QLineEdit*>("searchBox");
    EXPECT_TRUE(QTest::qWaitFor([&] { return search->hasFocus(); }));
}

} // namespace
} // namespace custodia::test
