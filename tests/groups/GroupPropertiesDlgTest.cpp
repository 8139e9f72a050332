#include "GroupDialogFixture.h"

#include "store/RightsCatalogue.h"

#include <QTabBar>
#include <QTabWidget>

namespace custodia::test {
namespace {

using GroupPropertiesDlgTest = GroupDialogFixture;

// The bytes of a program's row after a save, as the program will read them.
std::array<unsigned char, grouprecord::kRightsSize> StoredRights(const std::string& path, int program, int number)
{
    const std::optional<GroupRecord> record = StoredGroup(path, program, number);
    EXPECT_TRUE(record.has_value()) << "program " << program;
    return record ? record->rights : std::array<unsigned char, grouprecord::kRightsSize> {};
}

TEST_F(GroupPropertiesDlgTest, TitleNamesTheNumberAndTheFourteenPagesFollowTheCatalogue)
{
    for (const auto& [number, ending] : { std::pair { 7, " : 007" }, std::pair { 0, " : 000" } }) {
        const auto dialog = OpenDialog(GroupEntry { number, "Operators", "" });
        EXPECT_EQ(dialog->windowTitle(), W(922) + ending);
    }
    const auto dialog = OpenDialog(GroupEntry { 7, "Operators", "" });
    EXPECT_EQ(Find<QLineEdit>(*dialog, "nameEdit")->text(), "Operators");
    const QTabWidget* tabs = dialog->Tabs();
    ASSERT_EQ(tabs->count(), kRightsPageCount);
    for (int i = 0; i < tabs->count(); ++i) {
        const RightsPage& page = RightsPages()[static_cast<size_t>(i)];
        EXPECT_EQ(tabs->tabText(i), W(page.titleWord));
        EXPECT_EQ(tabs->tabBar()->tabData(i).toInt(), i);
        const QTreeWidget* list = dialog->Page(i)->List();
        ASSERT_EQ(list->topLevelItemCount(), static_cast<int>(page.rows.size()));
        EXPECT_EQ(list->topLevelItem(0)->text(0), W(page.rows[0].labelWord));
        EXPECT_EQ(list->headerItem()->text(0), QString());
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(GroupPropertiesDlgTest, LoadedBytesShowOnTheirRowsAndAGroupNoFileHoldsStartsUnticked)
{
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { 22, 1 }, { 11, 1 } });
    WriteGroup(m_path, kProgramView, 3, "Fitters", { { 21, 2 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" });
    for (int row = 0; row < 28; ++row)
        EXPECT_EQ(Ticked(*dialog, 0, row), row < 2) << row;
    EXPECT_TRUE(Ticked(*dialog, 5, 21)) << "a stored 2 shows ticked";
    EXPECT_FALSE(Ticked(*dialog, 5, 20));

    const auto fresh = OpenDialog(GroupEntry { 8, "New", "" });
    for (int page = 0; page < kRightsPageCount; ++page) {
        for (int row = 0; row < fresh->Page(page)->List()->topLevelItemCount(); ++row)
            EXPECT_FALSE(Ticked(*fresh, page, row)) << page << "/" << row;
    }
}

// A tick writes exactly its byte; positions that no page shows keep what another program stored, a
// stored 2 is written as 1, and bytes past a program's row length are written as 0.
TEST_F(GroupPropertiesDlgTest, SaveWritesTheTicksAndKeepsWhatNoPageShows)
{
    WriteGroup(m_path, kProgramConvert, 3, "Fitters", { { 0, 1 } });
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { 22, 1 }, { 45, 1 }, { 99, 1 } });
    WriteGroup(m_path, kProgramDownload, 3, "Fitters", { { 1, 1 }, { 3, 1 } });
    WriteGroup(m_path, kProgramView, 3, "Fitters", { { 21, 2 } });
    WriteGroup(m_path, kProgramAutocall, 3, "Fitters", { { 3, 1 } });
    WriteGroup(m_path, kProgramAlarmin, 3, "Fitters", { { 0, 1 }, { 2, 1 }, { 3, 1 }, { 4, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" });

    Tick(*dialog, 3, 1); // word 821: setup position 9
    Tick(*dialog, 4, 0, false); // download position 3
    Press(*dialog, "saveButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(m_ui.messages.empty());

    const std::map<int, RightBytes> expected {
        { kProgramConvert, { { 0, 1 } } },
        { kProgramSetup, { { 9, 1 }, { 22, 1 } } },
        { kProgramDownload, { { 1, 1 } } },
        { kProgramView, { { 21, 1 } } },
        { kProgramAutocall, { { 3, 1 } } },
        { kProgramAlarmin, { { 0, 1 }, { 2, 1 }, { 3, 1 }, { 4, 1 } } },
    };
    for (int program = 0; program < kProgramCount; ++program) {
        std::array<unsigned char, grouprecord::kRightsSize> bytes {};
        if (const auto found = expected.find(program); found != expected.end()) {
            for (const auto& [position, value] : found->second)
                bytes[static_cast<size_t>(position)] = value;
        }
        EXPECT_EQ(StoredRights(m_path, program, 3), bytes) << "program " << program;
        EXPECT_EQ(StoredGroup(m_path, program, 3)->name, "Fitters");
        EXPECT_EQ(StoredGroup(m_path, program, 3)->description, "");
    }
    EXPECT_EQ(m_groupsSaved, 1);
}

TEST_F(GroupPropertiesDlgTest, InvertFlipsOnlyThePageShownAndTwiceRestoresIt)
{
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { 22, 1 }, { 11, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" });
    dialog->Tabs()->setCurrentIndex(4);
    Press(*dialog, "invertButton");
    EXPECT_TRUE(Ticked(*dialog, 4, 0));
    EXPECT_TRUE(Ticked(*dialog, 0, 0));
    EXPECT_FALSE(Ticked(*dialog, 0, 2));

    dialog->Tabs()->setCurrentIndex(0);
    Press(*dialog, "invertButton");
    EXPECT_FALSE(Ticked(*dialog, 0, 0));
    EXPECT_TRUE(Ticked(*dialog, 0, 2));
    Press(*dialog, "invertButton");
    for (int row = 0; row < 28; ++row)
        EXPECT_EQ(Ticked(*dialog, 0, row), row < 2) << row;
    EXPECT_TRUE(Ticked(*dialog, 4, 0));
    EXPECT_EQ(StoredRights(m_path, kProgramSetup, 3)[22], 1) << "nothing stored by inverting";
    EXPECT_FALSE(std::filesystem::exists(ProfileFile(m_path, kProgramDownload))) << "nothing stored by inverting";
}

// A save changes only the rights the supervisor ticked or cleared, in the files as they are when it
// is made: a right another program gave the group while the dialog was open stays.
TEST_F(GroupPropertiesDlgTest, SaveKeepsRightsAnotherProgramChangedWhileTheDialogWasOpen)
{
    WriteGroup(m_path, kProgramSetup, 9, "Night", { { 1, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 9, "Night", "" });
    WriteGroup(m_path, kProgramDownload, 9, "Night", { { 5, 1 } });
    Tick(*dialog, 12, 0);
    Press(*dialog, "saveButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(StoredRights(m_path, kProgramCustodia, 9)[0], 1) << "the dialog's change";
    EXPECT_EQ(StoredRights(m_path, kProgramSetup, 9)[1], 1);
    EXPECT_EQ(StoredRights(m_path, kProgramDownload, 9)[5], 1) << "the other program's change";
}

TEST_F(GroupPropertiesDlgTest, NewGroupIsWrittenIntoAllTwelveFilesCreatingMissingOnes)
{
    WriteGroup(m_path, kProgramSetup, 1, "Others", { { 0, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 9, "", "" });
    Tick(*dialog, 12, 0);
    // The account services refuse a group without a name, as custodiactl does: the dialog stays open.
    Press(*dialog, "saveButton");
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains("the group name is empty")) << m_ui.messages[0].text.toStdString();
    EXPECT_FALSE(StoredGroup(m_path, kProgramSetup, 9).has_value());
    Find<QLineEdit>(*dialog, "nameEdit")->setText("Night");
    Press(*dialog, "saveButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    for (int program = 0; program < kProgramCount; ++program) {
        const std::optional<GroupRecord> group = StoredGroup(m_path, program, 9);
        ASSERT_TRUE(group.has_value()) << program;
        EXPECT_EQ(group->name, "Night");
    }
    EXPECT_EQ(StoredRights(m_path, kProgramCustodia, 9)[0], 1);
    EXPECT_EQ(StoredGroup(m_path, kProgramSetup, 1)->rights[0], 1) << "the other group stays";
    EXPECT_EQ(UserStore().LoadGroupList(m_path).value.size(), 2u);
}

// Records of a number in some files but not in "setup.prf": shown, and written back with the rest.
TEST_F(GroupPropertiesDlgTest, GroupMissingFromSetupOpensWithTheRightsOtherFilesHold)
{
    WriteGroup(m_path, kProgramView, 6, "Half", { { 0, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 6, "Half", "" });
    EXPECT_TRUE(Ticked(*dialog, 5, 0));
    Press(*dialog, "saveButton");
    EXPECT_EQ(StoredRights(m_path, kProgramView, 6)[0], 1);
    EXPECT_TRUE(StoredGroup(m_path, kProgramSetup, 6).has_value());
}

TEST_F(GroupPropertiesDlgTest, CancelWritesNothing)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "New", "" });
    Tick(*dialog, 0, 0);
    Press(*dialog, "cancelButton");
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    for (int program = 0; program < kProgramCount; ++program)
        EXPECT_FALSE(std::filesystem::exists(ProfileFile(m_path, program))) << program;
    EXPECT_EQ(m_groupsSaved, 0);
}

TEST_F(GroupPropertiesDlgTest, KeyboardTicksWithSpaceSavesWithEnterAndCancelsWithEscape)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Keys", "" });
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QTreeWidget* list = dialog->Page(0)->List();
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(2));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(Ticked(*dialog, 0, 2));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(StoredRights(m_path, kProgramSetup, 9)[23], 1) << "word 898 is position 23";

    const auto again = OpenDialog(GroupEntry { 10, "Escaped", "" });
    again->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    QTest::keyClick(Find<QLineEdit>(*again, "nameEdit"), Qt::Key_Escape);
    EXPECT_EQ(again->result(), QDialog::Rejected);
    EXPECT_FALSE(StoredGroup(m_path, kProgramSetup, 10).has_value());
}

TEST_F(GroupPropertiesDlgTest, TabOrderFollowsTheLayoutAndEveryTabTitleFitsItsTab)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Order", "" });
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QWidget* start = Find<QLineEdit>(*dialog, "nameEdit");
    const std::vector<QWidget*> chain = TabChain(*dialog, start);
    const auto at = [&](QWidget* widget) { return std::find(chain.begin(), chain.end(), widget) - chain.begin(); };
    const std::vector<QWidget*> expected { start, dialog->Tabs()->tabBar(), dialog->Page(0)->List(),
        Find<QPushButton>(*dialog, "invertButton"), Find<QPushButton>(*dialog, "saveButton"),
        Find<QPushButton>(*dialog, "saveAsButton"), Find<QPushButton>(*dialog, "cancelButton") };
    for (size_t i = 1; i < expected.size(); ++i)
        EXPECT_LT(at(expected[i - 1]), at(expected[i])) << i;

    const QTabBar* bar = dialog->Tabs()->tabBar();
    EXPECT_TRUE(bar->usesScrollButtons());
    EXPECT_EQ(bar->elideMode(), Qt::ElideNone);
    for (int i = 0; i < bar->count(); ++i)
        EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i))) << i;
}

TEST_F(GroupPropertiesDlgTest, NameTakesAtMostNinetyNineStoredBytesWhileTyping)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "", "" });
    dialog->show();
    auto* name = Find<QLineEdit>(*dialog, "nameEdit");
    QTest::keyClicks(name, QString(120, QLatin1Char('n')));
    EXPECT_EQ(name->text().size(), 99);
    name->clear();
    for (int i = 0; i < 120; ++i) // one stored byte each in the suite's code page, two in UTF-8
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(QChar(0x00E9)), Qt::NoModifier);
    EXPECT_EQ(ToStoredText(name->text())->size(), grouprecord::kMaxNameLength);
    Press(*dialog, "saveButton");
    EXPECT_EQ(StoredGroup(m_path, kProgramSetup, 9)->name, *ToStoredText(name->text()));
}

TEST_F(GroupPropertiesDlgTest, NameWithACharacterOutsideTheCodePageIsRefusedAndNothingWritten)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "", "" });
    dialog->show();
    Find<QLineEdit>(*dialog, "nameEdit")->setText(QString::fromUtf8("Night \xce\xa9"));
    Press(*dialog, "saveButton");
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains(QStringLiteral("U+03A9")));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(StoredGroup(m_path, kProgramSetup, 9));
}

} // namespace
} // namespace custodia::test
