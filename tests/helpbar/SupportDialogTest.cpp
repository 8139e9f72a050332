#include "app/SupportDialog.h"
#include "helpbar/CUrlLabel.h"
#include "helpbar/HelpBarFixture.h"
#include "support/FakeUiServices.h"
#include "ui/UiServices.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace custodia::test {
namespace {

class SupportDialogTest : public HelpBarFixture {
protected:
    SupportDialogTest() { LoadWords(); }

    FakeUiServices m_ui;
};

TEST_F(SupportDialogTest, ShowsTheSupportTextTheContactsAndTheNotice)
{
    WriteText(m_dir.file("techsprt.txt"), "a\nb\r\nc\n");
    SupportDialog dialog(*m_words, m_ui);
    EXPECT_EQ(dialog.SupportText(), "a\nb\nc");
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.findChild<QLabel*>("notice")->text(), W(Word::NoticeLine));

    const Word labels[] = { Word::SupportWebLabel, Word::SupportMailLabel, Word::SupportSalesLabel };
    const Word links[] = { Word::SupportWebAddress, Word::SupportMailAddress, Word::SupportSalesAddress };
    for (int i = 0; i < SupportDialog::kLinkCount; ++i) {
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("contactLabel%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), W(labels[i]));
        EXPECT_EQ(label->buddy(), &dialog.Link(i));
        EXPECT_EQ(dialog.Link(i).text(), W(links[i]));
    }
    // The web address opens as it stands, the other two as new mails.
    EXPECT_EQ(dialog.Link(0).Target(), W(Word::SupportWebAddress));
    EXPECT_EQ(dialog.Link(1).Target(), "mailto:" + W(Word::SupportMailAddress));
    EXPECT_EQ(dialog.Link(2).Target(), "mailto:" + W(Word::SupportSalesAddress));

    dialog.Link(2).Open();
    EXPECT_EQ(m_ui.openedLinks, QStringList({ "mailto:" + W(Word::SupportSalesAddress) }));
}

TEST_F(SupportDialogTest, WithoutItsFilesTheBoxStillOpensEmpty)
{
    SupportDialog dialog(*m_words, m_ui);
    EXPECT_TRUE(dialog.SupportText().isEmpty());
    EXPECT_EQ(dialog.findChild<QFrame*>("pictureFrame")->frameShape(), QFrame::Box);
}

TEST_F(SupportDialogTest, TabLeadsFromTheSupportTextThroughTheLinks)
{
    SupportDialog dialog(*m_words, m_ui);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* text = dialog.findChild<QWidget*>("supportText");
    text->setFocus();
    for (int i = 0; i < SupportDialog::kLinkCount; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), &dialog.Link(i)) << i;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(m_ui.openedLinks, QStringList({ "mailto:" + W(Word::SupportSalesAddress) }));
}

TEST_F(SupportDialogTest, EscapeAndCancelCloseIt)
{
    for (const bool useEscape : { true, false }) {
        SupportDialog dialog(*m_words, m_ui);
        QTimer::singleShot(0, [&] {
            if (useEscape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.findChild<QPushButton*>("cancel")->click();
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    }
}

} // namespace
} // namespace custodia::test
