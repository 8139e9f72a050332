#include "GroupDialogFixture.h"
#include "ModalScript.h"

#include "app/CCustodiaView.h"
#include "app/ItemCommands.h"
#include "app/ItemListController.h"
#include "groups/CCreateNewProfileDialog.h"
#include "groups/CSaveProfileAsDialog.h"
#include "groups/ProfileFieldRules.h"

#include <QComboBox>
#include <QLabel>

namespace custodia::test {
namespace {

struct NumberCase {
    const char* text;
    std::optional<int> number;
    const char* trimmed;
};

class ReadGroupNumberTest : public ::testing::TestWithParam<NumberCase> { };

TEST_P(ReadGroupNumberTest, TakesTheLeadingDigitsOfTheTrimmedText)
{
    const GroupNumberReading reading = ReadGroupNumber(QString::fromLatin1(GetParam().text));
    EXPECT_EQ(reading.number, GetParam().number);
    EXPECT_EQ(reading.trimmedText, QString::fromLatin1(GetParam().trimmed));
}

INSTANTIATE_TEST_SUITE_P(Numbers, ReadGroupNumberTest,
    ::testing::Values(NumberCase { "0", 0, "0" }, NumberCase { "000", 0, "000" }, NumberCase { "7", 7, "7" },
        NumberCase { " 12 ", 12, "12" }, NumberCase { "255", 255, "255" }, NumberCase { "256", std::nullopt, "256" },
        NumberCase { "999", std::nullopt, "999" }, NumberCase { "", std::nullopt, "" },
        NumberCase { "   ", std::nullopt, "" }, NumberCase { "12a", 12, "12a" },
        // No leading digit at all is no number, not group 0.
        NumberCase { "a1", std::nullopt, "a1" }, NumberCase { "99999999999999", std::nullopt, "99999999999999" }));

using ProfileNumberDialogTest = GroupDialogFixture;

TEST_F(ProfileNumberDialogTest, NewGroupDialogShowsThePathAndRefusesANumberOutOfRange)
{
    CCreateNewProfileDialog dialog(*m_words, m_ui, "/srv/north", nullptr);
    EXPECT_EQ(dialog.windowTitle(), W(935));
    EXPECT_EQ(Find<QLineEdit>(dialog, "pathText")->text(), "/srv/north");
    EXPECT_TRUE(Find<QLineEdit>(dialog, "pathText")->isReadOnly());
    EXPECT_EQ(Find<QLabel>(dialog, "header")->text(), W(950));
    EXPECT_EQ(Find<QPushButton>(dialog, "okButton")->text(), W(0));
    auto* number = Find<QLineEdit>(dialog, "numberEdit");
    auto* name = Find<QLineEdit>(dialog, "nameEdit");
    EXPECT_EQ(number->maxLength(), 3);

    ModalScript script;
    const auto refused = [&](const QString& typed) {
        return [&, typed](QWidget*) {
            const size_t before = m_ui.messages.size();
            number->setText(typed);
            Press(dialog, "okButton");
            ASSERT_EQ(m_ui.messages.size(), before + 1) << typed.toStdString();
            EXPECT_EQ(m_ui.messages.back().text, W(867));
            EXPECT_EQ(m_ui.messages.back().caption, W(929));
            EXPECT_EQ(m_ui.messages.back().icon, UiServices::Icon::Critical);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(number->text(), typed.trimmed());
        };
    };
    constexpr const char* kDialog = "custodia::CCreateNewProfileDialog";
    script.Then(kDialog, refused("256"))
        .Then(kDialog, refused("999"))
        .Then(kDialog, refused("  "))
        .Then(kDialog, [&](QWidget*) {
            number->clear();
            QTest::keyClicks(number, "x7y");
            EXPECT_EQ(number->text(), "7") << "digits only";
            name->setText("  ");
            Press(dialog, "okButton");
        });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(dialog.GetNumber(), 7);
    EXPECT_EQ(dialog.GetName(), "  ") << "names are not trimmed";
}

TEST_F(ProfileNumberDialogTest, FieldsHaveLabelsAsBuddiesAndFollowTheLayoutInTabOrder)
{
    const std::vector<std::string> paths { "/srv/north" };
    CSaveProfileAsDialog dialog(*m_words, m_ui, "/srv/north", paths, nullptr);
    std::vector<QWidget*> buddies;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() != nullptr)
            buddies.push_back(label->buddy());
    }
    const std::vector<QWidget*> fields { Find<QComboBox>(dialog, "pathBox"), Find<QLineEdit>(dialog, "numberEdit"),
        Find<QLineEdit>(dialog, "nameEdit") };
    for (QWidget* field : fields)
        EXPECT_NE(std::find(buddies.begin(), buddies.end(), field), buddies.end()) << field->objectName().toStdString();
    const std::vector<QWidget*> order = TabChain(dialog, fields[0]);
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[1], fields[1]);
    EXPECT_EQ(order[2], fields[2]);
    EXPECT_EQ(order[3], Find<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(order[4], Find<QPushButton>(dialog, "cancelButton"));
}

// The whole create command: a used number is refused with the clash message, the same number dialog
// comes back with what was typed, and the group dialog then writes the new group.
TEST_F(ProfileNumberDialogTest, CreateCommandRerunsTheNumberDialogAfterAClashAndSavesTheNewGroup)
{
    WriteGroup(m_path, kProgramSetup, 4, "Operators");
    CCustodiaDoc seed;
    ASSERT_TRUE(seed.AddLoginPath(NativePath(m_path)));
    ASSERT_TRUE(seed.StoreLoginPath(NativePath(m_path)));
    CCustodiaDoc doc;
    CMainFrame frame(*m_words, doc, m_ui);
    frame.show();
    frame.LeftView().setCurrentItem(frame.LeftView().RootItem()->child(0)->child(1));
    ASSERT_EQ(frame.ItemList().Groups().size(), 1u);

    constexpr const char* kNumberDialog = "custodia::CCreateNewProfileDialog";
    ModalScript script;
    QRect firstPlace;
    script
        .Then(kNumberDialog,
            [&](QWidget* dialog) {
                // Moved by the supervisor: the rerun opens there, not where a fresh dialog would go.
                dialog->move(dialog->pos() + QPoint(37, 23));
                firstPlace = dialog->geometry();
                Find<QLineEdit>(*dialog, "numberEdit")->setText("4");
                Find<QLineEdit>(*dialog, "nameEdit")->setText("Night shift");
                Press(*dialog, "okButton");
            })
        .Then(kNumberDialog,
            [&](QWidget* dialog) {
                ASSERT_EQ(m_ui.messages.size(), 1u);
                EXPECT_EQ(m_ui.messages[0].text, W(934));
                EXPECT_EQ(m_ui.messages[0].caption, W(929));
                EXPECT_EQ(Find<QLineEdit>(*dialog, "numberEdit")->text(), "4");
                EXPECT_EQ(Find<QLineEdit>(*dialog, "nameEdit")->text(), "Night shift");
                EXPECT_EQ(dialog->geometry(), firstPlace);
                // The number waits to be overtyped.
                auto* number = Find<QLineEdit>(*dialog, "numberEdit");
                EXPECT_EQ(dialog->focusWidget(), number);
                QTest::keyClicks(number, "5");
                EXPECT_EQ(number->text(), "5");
                Press(*dialog, "okButton");
            })
        .Then("custodia::CGroupPropertiesDlg", [](QWidget* dialog) {
            EXPECT_EQ(Find<QLineEdit>(*dialog, "nameEdit")->text(), "Night shift");
            auto* group = static_cast<CGroupPropertiesDlg*>(dialog);
            group->Page(12)->List()->topLevelItem(0)->setCheckState(0, Qt::Checked);
            Press(*dialog, "saveButton");
        });
    frame.Commands().CreateItem();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(m_ui.messages.size(), 1u);
    ASSERT_EQ(frame.ItemList().Groups().size(), 2u);
    EXPECT_EQ(frame.ItemList().Groups()[1], (GroupEntry { 5, "Night shift", "" }));
    EXPECT_EQ(StoredGroup(m_path, kProgramCustodia, 5)->rights[0], 1);
}

} // namespace
} // namespace custodia::test
