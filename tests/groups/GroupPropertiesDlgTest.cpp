#include "GroupDialogFixture.h"

#include "platform/NativePath.h"
#include "store/AccountService.h"
#include "store/ProfileStore.h"
#include "store/RightsCatalogue.h"

#include <QAccessible>
#include <QListWidget>

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
        EXPECT_TRUE(list->isHeaderHidden()) << "its heading would be empty";
        EXPECT_EQ(dialog->PageList()->item(i)->text(), W(page.titleWord));
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
    EXPECT_EQ(ProfileStore(NativePath(m_path)).LoadGroupList().value.size(), 2u);
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

// The history of a stored group is asked for by its number, which it keeps under every name; a new
// group has none to show.
TEST_F(GroupPropertiesDlgTest, HistoryIsOfferedForAStoredGroupByItsNumber)
{
    WriteGroup(m_path, kProgramSetup, 7, "Operators");
    for (const auto& [number, offered] : { std::pair { 7, true }, std::pair { 8, false } }) {
        const auto dialog = OpenDialog(GroupEntry { number, "Operators", "" });
        std::vector<QString> asked;
        dialog->SetHistoryOpener([&](QWidget* over, const QString& object) {
            EXPECT_EQ(over, dialog.get());
            asked.push_back(object);
        });
        auto* button = Find<QPushButton>(*dialog, "historyButton");
        EXPECT_EQ(!button->isHidden(), offered) << number;
        if (offered) {
            button->click();
            EXPECT_EQ(asked, std::vector<QString> { QStringLiteral("group 007") });
        }
    }
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

TEST_F(GroupPropertiesDlgTest, TabOrderFollowsTheLayoutAndEveryPageTitleIsShownWhole)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Order", "" });
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QWidget* start = Find<QLineEdit>(*dialog, "nameEdit");
    const std::vector<QWidget*> chain = TabChain(*dialog, start);
    const auto at = [&](QWidget* widget) { return std::find(chain.begin(), chain.end(), widget) - chain.begin(); };
    const std::vector<QWidget*> expected { start, Find<QLineEdit>(*dialog, "rightsSearch"), dialog->PageList(),
        dialog->Page(0)->List(), Find<QPushButton>(*dialog, "invertButton"), Find<QPushButton>(*dialog, "saveButton"),
        Find<QPushButton>(*dialog, "saveAsButton"), Find<QPushButton>(*dialog, "cancelButton") };
    for (size_t i = 1; i < expected.size(); ++i)
        EXPECT_LT(at(expected[i - 1]), at(expected[i])) << i;
    EXPECT_EQ(at(dialog->Tabs()->tabBar()), static_cast<std::ptrdiff_t>(chain.size()))
        << "the tabs are behind the list";

    // All fourteen at once, none cut short or scrolled away.
    const QListWidget* pages = dialog->PageList();
    ASSERT_EQ(pages->count(), kRightsPageCount);
    for (int i = 0; i < pages->count(); ++i) {
        const QRect row = pages->visualItemRect(pages->item(i));
        EXPECT_TRUE(pages->viewport()->rect().contains(row)) << i;
        EXPECT_GE(row.width(), pages->fontMetrics().horizontalAdvance(pages->item(i)->text())) << i;
    }
}

TEST_F(GroupPropertiesDlgTest, PageListAndTabsShowTheSamePage)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Pages", "" });
    dialog->show();
    QListWidget* pages = dialog->PageList();
    pages->setFocus();
    QTest::keyClick(pages, Qt::Key_End);
    EXPECT_EQ(dialog->Tabs()->currentIndex(), kRightsPageCount - 1);
    dialog->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(pages->currentRow(), 2);
    // Invert works on the page in view, however it was chosen.
    const bool before = Ticked(*dialog, 2, 0);
    Press(*dialog, "invertButton");
    EXPECT_NE(Ticked(*dialog, 2, 0), before);
}

// The search box: every word must be in the right's label, in any case; pages without such a right
// leave the list, and the page in view moves to the first page with one.
TEST_F(GroupPropertiesDlgTest, SearchShowsTheRightsThatHoldItsWordsOnEveryPage)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Search", "" });
    dialog->show();
    auto* search = Find<QLineEdit>(*dialog, "rightsSearch");
    const QString label = W(RightsPages()[12].rows[0].labelWord); // the console's own page
    const QStringList words = label.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString query = words.first().toUpper() + QLatin1Char(' ') + words.last().toLower();
    search->setText(query);

    int found = 0;
    for (int page = 0; page < kRightsPageCount; ++page) {
        const QTreeWidget* list = dialog->Page(page)->List();
        int shown = 0;
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            const bool matches = item->text(0).contains(words.first(), Qt::CaseInsensitive)
                && item->text(0).contains(words.last(), Qt::CaseInsensitive);
            EXPECT_EQ(item->isHidden(), !matches) << page << "/" << row;
            shown += matches ? 1 : 0;
        }
        EXPECT_EQ(dialog->PageList()->item(page)->isHidden(), shown == 0) << page;
        found += shown;
    }
    EXPECT_GE(found, 1);
    EXPECT_FALSE(dialog->PageList()->item(dialog->Tabs()->currentIndex())->isHidden());
    EXPECT_FALSE(dialog->Page(12)->List()->topLevelItem(0)->isHidden());

    // A hidden right keeps its tick and is saved as it stands.
    Tick(*dialog, 0, 0);
    search->clear();
    for (int page = 0; page < kRightsPageCount; ++page)
        EXPECT_FALSE(dialog->PageList()->item(page)->isHidden()) << page;
    EXPECT_FALSE(Row(*dialog, 0, 1)->isHidden());
    Press(*dialog, "saveButton");
    EXPECT_EQ(StoredGroup(m_path, kProgramSetup, 9)->rights[static_cast<size_t>(RightsPages()[0].rows[0].position)], 1);
}

// What a screen reader finds on a page: each right a check box that says whether it is granted and
// whose action grants or takes it, as Space does; what it changes is what Save writes.
TEST_F(GroupPropertiesDlgTest, ScreenReadersReadAndToggleEachRight)
{
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { RightsPages()[0].rows[1].position, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" });
    dialog->show();
    QTreeWidget* list = dialog->Page(0)->List();
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(page, nullptr);
    const int columns = list->columnCount();
    // After the row of header cells, one cell a right.
    ASSERT_EQ(page->childCount(), (list->topLevelItemCount() + 1) * columns);
    const auto right = [&](int row) { return page->child((row + 1) * columns); };
    for (int row : { 0, 1 }) {
        QAccessibleInterface* cell = right(row);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->role(), QAccessible::CheckBox);
        EXPECT_EQ(cell->text(QAccessible::Name), list->topLevelItem(row)->text(0));
        EXPECT_TRUE(cell->state().checkable);
        EXPECT_EQ(cell->state().checked, row == 1) << row;
        ASSERT_NE(cell->actionInterface(), nullptr);
        EXPECT_EQ(cell->actionInterface()->actionNames(), QStringList { QAccessibleActionInterface::toggleAction() });
        EXPECT_EQ(page->indexOfChild(cell), (row + 1) * columns);
    }
    right(0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    right(1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(right(0)->state().checked);
    EXPECT_FALSE(right(1)->state().checked);
    Press(*dialog, "saveButton");
    const std::optional<GroupRecord> stored = StoredGroup(m_path, kProgramSetup, 3);
    EXPECT_EQ(stored->rights[static_cast<size_t>(RightsPages()[0].rows[0].position)], 1);
    EXPECT_EQ(stored->rights[static_cast<size_t>(RightsPages()[0].rows[1].position)], 0);

    // A search leaves out rows: the reader's cells are the rows shown.
    const auto again = OpenDialog(GroupEntry { 3, "Fitters", "" });
    again->show();
    Find<QLineEdit>(*again, "rightsSearch")->setText(again->Page(0)->List()->topLevelItem(1)->text(0));
    QAccessibleInterface* filtered = QAccessible::queryAccessibleInterface(again->Page(0)->List());
    ASSERT_GE(filtered->childCount(), 2 * columns);
    EXPECT_EQ(filtered->child(columns)->text(QAccessible::Name), again->Page(0)->List()->topLevelItem(1)->text(0));
}

// Another program deleted the group while it was open: Save asks before bringing it back.
struct DeletedMeanwhile {
    const char* name;
    UiServices::Answer answer;
    bool storedAfterwards;
};

class GroupDeletedMeanwhileTest : public GroupDialogFixture, public ::testing::WithParamInterface<DeletedMeanwhile> { };

TEST_P(GroupDeletedMeanwhileTest, SaveAsksBeforeCreatingTheGroupAgain)
{
    const DeletedMeanwhile& row = GetParam();
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { RightsPages()[0].rows[0].position, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" });
    dialog->show();
    Tick(*dialog, 0, 1);
    const uint8_t number = 3;
    ASSERT_TRUE(AccountService(NativePath(m_path)).DeleteGroups(std::span(&number, 1)));

    m_ui.answers = { row.answer };
    Press(*dialog, "saveButton");
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text, W(WordNumber(Word::GroupDeletedMeanwhile)));
    EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::OkCancelDefaultCancel);
    EXPECT_FALSE(dialog->isVisible());
    const std::optional<GroupRecord> stored = StoredGroup(m_path, kProgramSetup, 3);
    ASSERT_EQ(stored.has_value(), row.storedAfterwards);
    if (stored) {
        // Created again whole, as the dialog shows it: the rights it was opened with included.
        EXPECT_EQ(stored->rights[static_cast<size_t>(RightsPages()[0].rows[0].position)], 1);
        EXPECT_EQ(stored->rights[static_cast<size_t>(RightsPages()[0].rows[1].position)], 1);
        for (int program = 0; program < kProgramCount; ++program)
            EXPECT_TRUE(StoredGroup(m_path, program, 3).has_value()) << program;
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, GroupDeletedMeanwhileTest,
    ::testing::Values(DeletedMeanwhile { "CreateAgain", UiServices::Answer::Ok, true },
        DeletedMeanwhile { "LeaveDeleted", UiServices::Answer::Cancel, false }),
    [](const auto& info) { return std::string(info.param.name); });

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
