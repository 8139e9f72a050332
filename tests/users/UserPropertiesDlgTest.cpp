#include "UserDialogFixture.h"

#include "platform/FileException.h"
#include "store/OfficeNameList.h"
#include "users/CUserDatabaseOfficeListTabPage.h"
#include "users/CUserDatabaseOfficeListTabTabPage.h"
#include "users/CUserDatabasePropertiesTabPage.h"
#include "users/CUserGeneralPropertiesTabPage.h"
#include "users/CUserGroupPropertiesTabPage.h"
#include "users/CUserPropertiesDlg.h"

#include <QAccessible>
#include <QRadioButton>
#include <QTabBar>

namespace custodia::test {
namespace {

class UserPropertiesDlgTest : public UserDialogFixture {
protected:
    UserPropertiesDlgTest()
    {
        m_groups = { { 2, "Staff", "" }, { 7, "Night shift", "" } };
        for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
            if (slot == 3)
                continue; // one empty slot
            m_databases.SetDescription(slot, "Site " + std::to_string(slot + 1));
            m_databases.SetPath(slot, m_dir.file("site" + std::to_string(slot + 1)));
        }
    }

    // The dialog over m_entry, shown.
    CUserPropertiesDlg& Open()
    {
        m_dialog = std::make_unique<CUserPropertiesDlg>(*m_words, m_ui, m_entry, m_groups, m_databases);
        m_dialog->show();
        return *m_dialog;
    }

    QLineEdit& Field(const char* name) const { return Child<QLineEdit>(m_dialog->GeneralPage(), name); }
    void Type(const char* name, const QString& text) const
    {
        Field(name).clear();
        QTest::keyClicks(&Field(name), text);
    }
    // Put in whole: typed keys cannot carry every character.
    void SetPasswords(const QString& password, const QString& confirmation) const
    {
        Field("password").setText(password);
        Field("confirmPassword").setText(confirmation);
    }
    bool Accepted() const { return m_dialog->result() == QDialog::Accepted; }

    QTreeWidget& SlotList() const { return m_dialog->DatabasePage().SlotList(); }
    QTabWidget& InnerTabs() const { return m_dialog->OfficeListPage().InnerTabs(); }
    CUserDatabaseOfficeListTabTabPage& InnerPage(int slot) const { return m_dialog->OfficeListPage().InnerPage(slot); }
    QTreeWidgetItem& Office(int slot, int office) const
    {
        return *InnerPage(slot).OfficeList().topLevelItem(office - 1);
    }
    void ShowPage(int page) const { m_dialog->Tabs().setCurrentIndex(page); }
    QStringList InnerTabTitles() const
    {
        QStringList titles;
        for (int i = 0; i < InnerTabs().count(); ++i)
            titles.append(InnerTabs().tabText(i));
        return titles;
    }

    UserEntry m_entry;
    std::vector<GroupEntry> m_groups;
    DatabaseList m_databases;
    std::unique_ptr<CUserPropertiesDlg> m_dialog;
};

TEST_F(UserPropertiesDlgTest, ShowsItsWordsAndFourPagesWithTheirIndexAsTabData)
{
    Open();
    EXPECT_EQ(m_dialog->windowTitle(), W(Word::UserPropertiesTitle));
    EXPECT_EQ(Child<QLabel>(*m_dialog, "header").text(), W(Word::UserPropertiesHeader));
    const Word titles[]
        = { Word::UserGeneralPage, Word::UserGroupPage, Word::DatabasePathsPage, Word::OfficeListsPage };
    ASSERT_EQ(m_dialog->Tabs().count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m_dialog->Tabs().tabText(i), W(titles[i]));
        EXPECT_EQ(m_dialog->Tabs().tabBar()->tabData(i).toInt(), i);
    }
    EXPECT_EQ(m_dialog->Tabs().currentIndex(), 0);
    // Every field is named by its label, for screen readers and keyboard users.
    for (const char* name : { "userName", "fullName", "description", "password", "confirmPassword" }) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Field(name).accessibleName().isEmpty());
        const auto labels = m_dialog->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == &Field(name); }));
    }
}

// The general page's refusals: the password comparison comes before the empty name.
struct Refusal {
    const char* name;
    const char* userName;
    const char* password;
    const char* confirmation;
    Word text;
    Word caption;
};

class GeneralPageRefusalTest : public UserPropertiesDlgTest, public ::testing::WithParamInterface<Refusal> { };

TEST_P(GeneralPageRefusalTest, RefusedOkShowsTheMessageKeepsTheDialogOpenAndWritesNothing)
{
    const Refusal& refusal = GetParam();
    m_entry.user.userName = "old";
    m_entry.user.password = "old";
    const UserEntry before = m_entry;
    Open();
    Type("userName", QString::fromUtf8(refusal.userName));
    SetPasswords(QString::fromUtf8(refusal.password), QString::fromUtf8(refusal.confirmation));

    m_dialog->accept();
    ExpectOneMessage(refusal.text, refusal.caption);
    EXPECT_FALSE(Accepted());
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(m_entry, before);
    EXPECT_EQ(m_dialog->WorkingCopy().user.userName, "old");
}

const Refusal kRefusals[] = {
    { "EmptyName", "", "pw", "pw", Word::EmptyUserName, Word::CheckYourInputCaption },
    { "OnlySpaces", "   ", "", "", Word::EmptyUserName, Word::CheckYourInputCaption },
    { "MismatchBeforeEmptyName", "  ", "pw", "px", Word::PasswordsDiffer, Word::PasswordsDifferCaption },
    { "LetterCaseDiffers", "ann", "Secret", "secret", Word::PasswordsDiffer, Word::PasswordsDifferCaption },
    // Outside printable ASCII a character could scramble to a zero byte and cut the password short.
    { "AccentedPassword", "ann", "caf\xc3\xa9", "caf\xc3\xa9", Word::PasswordCharacters, Word::CheckYourInputCaption },
    { "TabInPassword", "ann", "a\tb", "a\tb", Word::PasswordCharacters, Word::CheckYourInputCaption },
};

INSTANTIATE_TEST_SUITE_P(Cases, GeneralPageRefusalTest, ::testing::ValuesIn(kRefusals),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(UserPropertiesDlgTest, LeadingSpacesOfTheNameGoTrailingOnesStayAndACorrectedOkSucceeds)
{
    Open();
    Type("userName", "  ann  ");
    Type("fullName", "Ann Smith");
    SetPasswords("pw", "px");
    m_dialog->accept();
    EXPECT_FALSE(Accepted());

    SetPasswords("p w~", "p w~");
    m_dialog->accept();
    EXPECT_TRUE(Accepted());
    EXPECT_EQ(m_entry.user.userName, "ann  ");
    EXPECT_EQ(m_entry.user.fullName, "Ann Smith");
    EXPECT_EQ(m_entry.user.password, "p w~");
}

TEST_F(UserPropertiesDlgTest, FieldsTakeNoMoreThanTheirStoredFieldsHold)
{
    Open();
    const std::pair<const char*, int> limits[]
        = { { "userName", 42 }, { "fullName", 50 }, { "description", 50 }, { "password", 50 } };
    for (const auto& [name, limit] : limits) {
        SCOPED_TRACE(name);
        Type(name, QString(limit + 8, QLatin1Char('x')));
        EXPECT_EQ(ToStoredText(Field(name).text())->size(), static_cast<size_t>(limit));
    }
}

// The code page has no Omega: the text is refused by name, never stored without the character.
TEST_F(UserPropertiesDlgTest, CharacterOutsideTheCodePageIsRefusedByName)
{
    const UserEntry before = m_entry;
    Open();
    Type("userName", "ann");
    // Typed key by key: the validator lets the character in, to be named on OK.
    Field("fullName").clear();
    for (const QChar character : QString::fromUtf8("\xce\xa9mega"))
        QTest::sendKeyEvent(QTest::Click, &Field("fullName"), Qt::Key_unknown, QString(character), Qt::NoModifier);
    EXPECT_EQ(Field("fullName").text(), QString::fromUtf8("\xce\xa9mega"));
    SetPasswords("pw", "pw");
    m_dialog->accept();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.startsWith(W(Word::RefusedCharacter).section(QLatin1Char('%'), 0, 0)));
    EXPECT_TRUE(m_ui.messages[0].text.contains(QStringLiteral("U+03A9")));
    EXPECT_FALSE(Accepted());
    EXPECT_EQ(m_entry, before);

    Field("fullName").setText(QString::fromUtf8("J\xc3\xbcrgen \xe2\x82\xac"));
    m_dialog->accept();
    EXPECT_TRUE(Accepted());
    EXPECT_EQ(m_entry.user.fullName, "J\xfcrgen \x80");
}

TEST_F(UserPropertiesDlgTest, UntouchedExistingUserKeepsItsPasswordAndEverythingElse)
{
    m_entry.user = { 1, 0x12, "ann", "Ann Smith", "nights", "s3cret", 7 };
    m_entry.access.SetOfficeAllowed(4, 9, true);
    const UserEntry before = m_entry;
    Open();
    EXPECT_EQ(Field("password").text(), "s3cret");
    EXPECT_EQ(Field("confirmPassword").text(), "s3cret");
    m_dialog->accept();
    EXPECT_TRUE(Accepted());
    EXPECT_EQ(m_entry, before);
}

TEST_F(UserPropertiesDlgTest, NameThatAnotherUserHoldsIsRefusedAndTheDialogStaysOpen)
{
    m_entry.user.userName = "ann";
    Open();
    std::vector<std::string> asked;
    m_dialog->SetNameCheck([&](const std::string& name) {
        asked.push_back(name);
        return name == "bob";
    });
    Type("userName", " bob");
    m_dialog->accept();
    ExpectOneMessage(Word::UserNameTaken, Word::CheckYourInputCaption);
    EXPECT_FALSE(Accepted());
    EXPECT_EQ(m_entry.user.userName, "ann");

    Type("userName", "carl");
    m_dialog->accept();
    EXPECT_TRUE(Accepted());
    EXPECT_EQ(asked, (std::vector<std::string> { "bob", "carl" }));
    EXPECT_EQ(m_entry.user.userName, "carl");
}

TEST_F(UserPropertiesDlgTest, GroupPageShowsTheGroupAndAClickChoosesAnotherInTheCopyOnly)
{
    m_entry.user.userName = "ann";
    m_entry.user.groupNumber = 7;
    Open();
    CUserGroupPropertiesTabPage& page = m_dialog->GroupPage();
    QTreeWidget& list = page.GroupList();
    EXPECT_EQ(page.CurrentGroupText(), "007 - Night shift");
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(1)->text(0), "007");
    EXPECT_EQ(list.topLevelItem(1)->text(1), "Night shift");
    EXPECT_EQ(list.headerItem()->text(0), W(Word::GroupNumberColumn));

    ShowPage(CUserPropertiesDlg::kGroupPage);
    const QRect row = list.visualItemRect(list.topLevelItem(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(page.CurrentGroupText(), "002 - Staff");
    EXPECT_EQ(m_dialog->WorkingCopy().user.groupNumber, 2);

    m_dialog->reject();
    EXPECT_EQ(m_entry.user.groupNumber, 7);
}

// The selected row is the choice, however it came to be selected: the arrow keys, Space on a row the
// keyboard left unselected, or a screen reader selecting it; Enter is the dialog's OK.
TEST_F(UserPropertiesDlgTest, SelectingARowChoosesItAndTheUsersGroupIsSelectedAtFirst)
{
    m_entry.user.userName = "ann";
    m_entry.user.groupNumber = 7;
    Open();
    ShowPage(CUserPropertiesDlg::kGroupPage);
    QTreeWidget& list = m_dialog->GroupPage().GroupList();
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().first(), list.topLevelItem(1));
    EXPECT_EQ(list.currentItem(), list.topLevelItem(1));
    list.setFocus();

    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(m_dialog->WorkingCopy().user.groupNumber, 2);
    EXPECT_EQ(m_dialog->GroupPage().CurrentGroupText(), "002 - Staff");
    list.setCurrentItem(list.topLevelItem(1), 0, QItemSelectionModel::Clear);
    EXPECT_EQ(m_dialog->WorkingCopy().user.groupNumber, 2) << "nothing selected, nothing chosen";
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(m_dialog->WorkingCopy().user.groupNumber, 7);

    list.clearSelection();
    list.topLevelItem(0)->setSelected(true); // as an accessibility client selects
    EXPECT_EQ(m_dialog->WorkingCopy().user.groupNumber, 2);

    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_TRUE(Accepted());
    EXPECT_EQ(m_entry.user.groupNumber, 2);
}

TEST_F(UserPropertiesDlgTest, TabOnTheGroupPageGoesFromTheTabsToTheListOfGroups)
{
    m_entry.user.userName = "ann";
    m_entry.user.groupNumber = 2;
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    ShowPage(CUserPropertiesDlg::kGroupPage);
    QTabBar* tabs = m_dialog->Tabs().tabBar();
    tabs->setFocus();
    QWidget* next = tabs->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled())
        next = next->nextInFocusChain();
    EXPECT_EQ(next, &m_dialog->GroupPage().GroupList()) << next->objectName().toStdString();
}

// OK with a group that no profile file holds (a new user's 000 when no group was chosen) asks; Cancel,
// the default, goes back to the group page with nothing taken.
struct MissingGroup {
    const char* name;
    int groupNumber;
    std::deque<UiServices::Answer> answers;
    bool asked;
    bool accepted;
};

class MissingGroupTest : public UserPropertiesDlgTest, public ::testing::WithParamInterface<MissingGroup> { };

TEST_P(MissingGroupTest, OkAsksWhenTheChosenGroupDoesNotExist)
{
    const MissingGroup& row = GetParam();
    m_entry.user = { 0, 0, "", "", "", "", static_cast<uint8_t>(row.groupNumber) };
    Open();
    Type("userName", "ann");
    m_ui.answers = row.answers;
    m_dialog->accept();
    EXPECT_EQ(Accepted(), row.accepted);
    ASSERT_EQ(m_ui.messages.size(), row.asked ? 1u : 0u);
    if (row.asked) {
        EXPECT_EQ(m_ui.messages[0].text,
            W(Word::UserGroupMissing).arg(QString::number(row.groupNumber).rightJustified(3, '0')));
        EXPECT_EQ(m_ui.messages[0].caption, W(Word::UserGroupMissingCaption));
        EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::OkCancelDefaultCancel);
    }
    if (!row.accepted) {
        EXPECT_EQ(m_dialog->Tabs().currentIndex(), CUserPropertiesDlg::kGroupPage);
        EXPECT_EQ(m_entry.user.userName, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MissingGroupTest,
    ::testing::Values(MissingGroup { "NewUserWithoutGroupCancelled", 0, { UiServices::Answer::Cancel }, true, false },
        MissingGroup { "NewUserWithoutGroupConfirmed", 0, { UiServices::Answer::Ok }, true, true },
        MissingGroup { "DeletedGroupCancelled", 40, { UiServices::Answer::Cancel }, true, false },
        MissingGroup { "ExistingGroup", 7, {}, false, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UserPropertiesDlgTest, GroupMissingFromTheListShowsNothingAndKeepsItsNumber)
{
    m_entry.user.userName = "ann";
    m_entry.user.groupNumber = 40;
    Open();
    EXPECT_EQ(m_dialog->GroupPage().CurrentGroupText(), "");
    EXPECT_TRUE(m_dialog->GroupPage().GroupList().selectedItems().isEmpty());
    m_dialog->accept();
    EXPECT_EQ(m_entry.user.groupNumber, 40);
}

// The caller's save runs at OK while the dialog is open: a save that failed keeps it open with every
// edit, so OK can be pressed again once the file is free.
TEST_F(UserPropertiesDlgTest, FailedSaveKeepsTheDialogOpenWithTheEdits)
{
    m_entry.user = { 0, 0, "ann", "Ann", "", "pw", 2 };
    Open();
    std::vector<UserEntry> saved;
    bool saves = false;
    m_dialog->SetSaver([&](QWidget* dialog, const UserEntry& edited) {
        EXPECT_EQ(dialog, m_dialog.get());
        saved.push_back(edited);
        return saves;
    });
    Type("fullName", "Ann Smith");
    m_dialog->accept();
    EXPECT_FALSE(Accepted());
    EXPECT_EQ(Field("fullName").text(), "Ann Smith");
    EXPECT_EQ(m_entry.user.fullName, "Ann") << "the caller's entry changes only once stored";

    saves = true;
    m_dialog->accept();
    EXPECT_TRUE(Accepted());
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].user.fullName, "Ann Smith");
    EXPECT_EQ(m_entry.user.fullName, "Ann Smith");
}

TEST_F(UserPropertiesDlgTest, FileErrorInTheSaveIsReportedAndTheDialogStaysOpen)
{
    m_entry.user = { 0, 0, "ann", "Ann", "", "pw", 2 };
    Open();
    m_dialog->SetSaver(
        [](QWidget*, const UserEntry&) -> bool { throw FileException(kCauseHardIo, "/lost/tessel.pwd"); });
    m_dialog->accept();
    EXPECT_FALSE(Accepted());
    EXPECT_TRUE(m_dialog->isVisible());
    ASSERT_EQ(m_ui.messages.size(), 1u);
}

// What a screen reader finds on the database page: each slot a check box that says whether it is
// ticked and whose action ticks or clears it.
TEST_F(UserPropertiesDlgTest, ScreenReadersReadAndToggleTheDatabaseSlots)
{
    m_entry.user = { 0, 1u << 2, "ann", "", "", "", 2 };
    Open();
    ShowPage(CUserPropertiesDlg::kDatabasePage);
    QTreeWidget& list = SlotList();
    QAccessibleInterface* cells = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(cells, nullptr);
    const int columns = list.columnCount();
    ASSERT_EQ(cells->childCount(), 11 * columns);
    EXPECT_EQ(cells->child(0)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(cells->child(0)->text(QAccessible::Name), list.headerItem()->text(0));
    for (int slot = 0; slot < 10; ++slot) {
        QAccessibleInterface* box = cells->child((slot + 1) * columns);
        EXPECT_EQ(box->role(), QAccessible::CheckBox);
        EXPECT_EQ(box->text(QAccessible::Name), list.topLevelItem(slot)->text(0));
        EXPECT_EQ(box->state().checked, slot == 2) << slot;
        EXPECT_TRUE(box->state().disabled) << "greyed while the current database is chosen";
        QAccessibleInterface* path = cells->child((slot + 1) * columns + 1);
        EXPECT_EQ(path->role(), QAccessible::Cell);
        EXPECT_EQ(path->text(QAccessible::Name), list.topLevelItem(slot)->text(1));
        EXPECT_EQ(path->actionInterface(), nullptr);
    }
    const auto toggle = [&](int slot) {
        cells->child((slot + 1) * columns)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    toggle(1);
    EXPECT_FALSE(IsTicked(*list.topLevelItem(1))) << "a greyed box is not toggled by a reader either";

    Child<QRadioButton>(m_dialog->DatabasePage(), "selectedDatabases").click();
    toggle(1);
    toggle(2);
    EXPECT_TRUE(cells->child(2 * columns)->state().checked);
    EXPECT_FALSE(cells->child(3 * columns)->state().checked);
    m_dialog->accept();
    EXPECT_EQ(m_entry.user.databaseMask, 1u << 1);
}

TEST_F(UserPropertiesDlgTest, EnterInTheCurrentDatabaseFolderLoadsItsOfficesAndKeepsTheDialogOpen)
{
    const std::string folder = m_dir.file("Typed");
    std::filesystem::create_directories(folder);
    OfficeNameList offices(folder);
    offices.SetOffice(3, "C-03", "Quay");
    ASSERT_EQ(offices.Save(), kOfficesSaved);
    m_entry.user.userName = "ann";
    Open();
    ShowPage(CUserPropertiesDlg::kOfficeListPage);
    CUserDatabaseOfficeListTabTabPage& page = InnerPage(10);
    InnerTabs().setCurrentWidget(&page);
    QLineEdit& field = page.FolderField();
    field.setFocus();
    QTest::keyClicks(&field, QString::fromStdString(folder));
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_NE(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Office(10, 3).text(2), "Quay");
}

TEST_F(UserPropertiesDlgTest, DatabasePageListsTenSlotsTickedFromTheMaskAndGreyedInCurrentMode)
{
    m_entry.user.userName = "ann";
    m_entry.user.databaseMask = 1u << 3;
    Open();
    QTreeWidget& list = SlotList();
    ASSERT_EQ(list.topLevelItemCount(), 10);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "[01]  Site 1");
    EXPECT_EQ(list.topLevelItem(0)->text(1), QString::fromStdString(m_dir.file("site1")));
    EXPECT_EQ(list.topLevelItem(3)->text(0), "[04]  ");
    EXPECT_EQ(list.topLevelItem(9)->text(0), "[10]  Site 10");
    EXPECT_TRUE(IsTicked(*list.topLevelItem(3)));
    EXPECT_FALSE(list.isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(m_dialog->DatabasePage(), "currentDatabase").isChecked());

    // Greyed ticks still count: mode 0 with the ticked slots in the mask.
    Tick(*list.topLevelItem(5));
    Child<QRadioButton>(m_dialog->DatabasePage(), "selectedDatabases").click();
    EXPECT_TRUE(list.isEnabled());
    Child<QRadioButton>(m_dialog->DatabasePage(), "currentDatabase").click();
    m_dialog->accept();
    EXPECT_EQ(m_entry.user.databaseMode, 0);
    EXPECT_EQ(m_entry.user.databaseMask, (1u << 3) | (1u << 5));
}

TEST_F(UserPropertiesDlgTest, OfficeTabsFollowTheDatabasePageAsItStandsWhenOpened)
{
    m_entry.user.userName = "ann";
    Open();
    // Current-database mode: one tab for the current database, with an empty folder and Browse.
    EXPECT_EQ(InnerTabTitles(), QStringList { W(Word::CurrentDatabasePath) });
    EXPECT_EQ(InnerTabs().currentWidget(), &InnerPage(10));
    EXPECT_EQ(InnerPage(10).FolderField().text(), "");
    EXPECT_FALSE(Child<QPushButton>(InnerPage(10), "browse").isHidden());
    EXPECT_TRUE(Child<QPushButton>(InnerPage(1), "browse").isHidden());

    Child<QRadioButton>(m_dialog->DatabasePage(), "selectedDatabases").click();
    ShowPage(CUserPropertiesDlg::kOfficeListPage);
    EXPECT_EQ(InnerTabTitles(), QStringList { CUserDatabaseOfficeListTabPage::kNoDatabaseText });

    ShowPage(CUserPropertiesDlg::kDatabasePage);
    Tick(*SlotList().topLevelItem(1));
    Tick(*SlotList().topLevelItem(4));
    ShowPage(CUserPropertiesDlg::kOfficeListPage);
    EXPECT_EQ(InnerTabTitles(), (QStringList { "[02]  Site 2", "[05]  Site 5" }));
    EXPECT_EQ(InnerTabs().currentWidget(), &InnerPage(1));
    EXPECT_EQ(InnerTabs().tabBar()->tabData(1).toInt(), 4);
    EXPECT_EQ(InnerPage(1).FolderField().text(), QString::fromStdString(m_dir.file("site2")));
    EXPECT_FALSE(InnerPage(1).FolderField().isEnabled());

    // The pages wrote into the copy only: Cancel leaves the caller's entry as it was.
    const UserEntry before = m_entry;
    m_dialog->reject();
    EXPECT_EQ(m_entry, before);
}

TEST_F(UserPropertiesDlgTest, OfficePageShowsTheOfficeNamesAndStoresTicksAndTheSwitch)
{
    OfficeNameList offices(m_dir.file("site2"));
    std::filesystem::create_directories(m_dir.file("site2"));
    offices.SetOffice(1, "A-01", "Harbour");
    offices.SetOffice(100, "Z-99", "Airport");
    ASSERT_EQ(offices.Save(), kOfficesSaved);
    m_entry.user = { 1, 1u << 1, "ann", "", "", "", 0 };
    m_entry.access.SetOfficeAllowed(1, 3, true);
    // Bits 101..103 of a slot belong to no office and stay as they are.
    m_entry.access.officeSelection[13 + 12] = 0xE0;
    Open();

    QTreeWidget& list = InnerPage(1).OfficeList();
    ASSERT_EQ(list.topLevelItemCount(), 100);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "[01]");
    EXPECT_EQ(list.topLevelItem(0)->text(1), "A-01");
    EXPECT_EQ(list.topLevelItem(0)->text(2), "Harbour");
    EXPECT_EQ(list.topLevelItem(99)->text(0), "[100]");
    EXPECT_EQ(list.topLevelItem(99)->text(2), "Airport");
    EXPECT_TRUE(IsTicked(Office(1, 3)));
    EXPECT_FALSE(list.isEnabled());

    // The switch is written at once; a greyed list keeps its ticks, which OK still stores.
    InnerPage(1).SelectionSwitch().click();
    EXPECT_TRUE(m_dialog->WorkingCopy().access.IsOfficeSelectionEnabled(1));
    EXPECT_TRUE(list.isEnabled());
    Tick(Office(1, 100));
    Tick(Office(1, 3), false);
    InnerPage(1).SelectionSwitch().click();
    EXPECT_FALSE(list.isEnabled());
    m_dialog->accept();

    const UserAccessRecord& access = m_entry.access;
    EXPECT_FALSE(access.IsOfficeSelectionEnabled(1));
    EXPECT_TRUE(access.IsOfficeAllowed(1, 100));
    EXPECT_FALSE(access.IsOfficeAllowed(1, 3));
    EXPECT_EQ(access.officeSelection[13 + 12] & 0xE0, 0xE0);
}

TEST_F(UserPropertiesDlgTest, InnerPagesKeepTheirTicksWhileTheirDatabaseIsUntickedAndStoreThemAtOk)
{
    m_entry.user = { 1, (1u << 1) | (1u << 2), "ann", "", "", "", 0 };
    Open();
    ShowPage(CUserPropertiesDlg::kOfficeListPage);
    Tick(Office(1, 5));
    Tick(Office(2, 6));

    ShowPage(CUserPropertiesDlg::kDatabasePage);
    Tick(*SlotList().topLevelItem(1), false);
    ShowPage(CUserPropertiesDlg::kOfficeListPage);
    EXPECT_EQ(InnerTabTitles(), QStringList { "[03]  Site 3" });
    EXPECT_TRUE(IsTicked(Office(1, 5)));

    m_dialog->accept();
    EXPECT_EQ(m_entry.user.databaseMask, 1u << 2);
    EXPECT_TRUE(m_entry.access.IsOfficeAllowed(1, 5)) << "a hidden page still writes its slot";
    EXPECT_TRUE(m_entry.access.IsOfficeAllowed(2, 6));
}

TEST_F(UserPropertiesDlgTest, BrowseOnTheCurrentDatabasePageShowsTheChosenDatabasesOffices)
{
    const std::string folder = m_dir.file("Site1");
    std::filesystem::create_directories(folder);
    OfficeNameList offices(folder);
    offices.SetOffice(2, "B-02", "Depot");
    ASSERT_EQ(offices.Save(), kOfficesSaved);
    m_entry.user.userName = "ann";
    Open();
    CUserDatabaseOfficeListTabTabPage& page = InnerPage(10);
    Tick(Office(10, 7));

    // A file that is no logger database changes nothing.
    m_ui.files
        = { QString::fromStdString(m_dir.file("Site1/readme.txt")), QString::fromStdString(folder + "/LOGGERDB.000") };
    Child<QPushButton>(page, "browse").click();
    EXPECT_EQ(page.FolderField().text(), "");
    ASSERT_EQ(m_ui.pickers.size(), 1u);
    EXPECT_EQ(m_ui.pickers[0].start, "loggerdb.000");
    EXPECT_EQ(m_ui.pickers[0].filter, "Tessel Database (loggerdb.000)");

    Child<QPushButton>(page, "browse").click();
    EXPECT_EQ(page.FolderField().text(), QString::fromStdString(folder)) << "letter case kept, file name cut off";
    EXPECT_EQ(Office(10, 2).text(2), "Depot");
    EXPECT_TRUE(IsTicked(Office(10, 7))) << "ticks made before Browse are kept";
    m_dialog->accept();
    EXPECT_TRUE(m_entry.access.IsOfficeAllowed(10, 7));
}

} // namespace
} // namespace custodia::test
