#include "UserDialogFixture.h"

#include "app/ConsoleItemDialogs.h"
#include "app/ItemCommands.h"
#include "app/QtUiServices.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "store/AccountService.h"
#include "store/DatabaseListStore.h"
#include "store/LoginPathList.h"
#include "store/PasswordFileStore.h"
#include "users/CUserDatabaseOfficeListTabPage.h"
#include "users/CUserDatabaseOfficeListTabTabPage.h"
#include "users/CUserDatabasePropertiesTabPage.h"
#include "users/CUserGroupPropertiesTabPage.h"
#include "users/CUserPropertiesDlg.h"

#include <QRadioButton>

namespace custodia::test {
namespace {

// The console's commands with the real dialogs, driven as a supervisor would, checked against what the
// store reads back from disk.
class UserCommandsTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        m_path = MakeLoginPath("north");
        AddGroup(m_path, 2, "Staff");
        AddGroup(m_path, 7, "Night shift");
        SetDatabaseSlot(m_path, 1, "Harbour", "/data/harbour");
        SetDatabaseSlot(m_path, 4, "Airport", "/data/airport");
        OpenWindow();
        m_frame->SetItemDialogs(std::make_unique<ConsoleItemDialogs>(*m_words, m_ui, *m_doc));
    }

    CItemCommands& Commands() const { return m_frame->Commands(); }
    // Selects the category and reads its items again, users added since the window opened included.
    void Show(LoginPathCategory category) const
    {
        Select(CategoryItem(0, category));
        ItemList().RefreshList();
    }
    QString Word(custodia::Word word) const { return WordText(*m_words, word); }

    static CUserPropertiesDlg& UserDialog(QDialog& dialog)
    {
        auto* user = qobject_cast<CUserPropertiesDlg*>(&dialog);
        if (user == nullptr)
            throw std::runtime_error("not the user dialog");
        return *user;
    }
    static void Type(QDialog& dialog, const char* field, const QString& text)
    {
        auto& edit = *dialog.findChild<QLineEdit*>(QLatin1String(field));
        edit.clear();
        QTest::keyClicks(&edit, text);
    }
    static void PressOk(QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); }

    UserEntry Stored(const std::string& name) const
    {
        const FoundUser found = PasswordFileStore(NativePath(m_path)).FindUser(name);
        EXPECT_EQ(found.status, kUserFound) << name;
        return found.entry;
    }
    std::vector<std::string> StoredNames() const
    {
        std::vector<std::string> names;
        for (const UserEntry& entry : StoredUsers(m_path))
            names.push_back(entry.user.userName);
        return names;
    }

    std::string m_path;
};

TEST_F(UserCommandsTest, CreateEditAndRenameAUserThroughTheCommands)
{
    Show(LoginPathCategory::Users);
    WhenDialogOpens([&](QDialog& dialog) {
        CUserPropertiesDlg& user = UserDialog(dialog);
        Type(dialog, "userName", "dana");
        Type(dialog, "fullName", "Dana Cole");
        Type(dialog, "description", "nights");
        Type(dialog, "password", "pw 1");
        Type(dialog, "confirmPassword", "pw 1");
        user.Tabs().setCurrentIndex(CUserPropertiesDlg::kGroupPage);
        QTreeWidget& groups = user.GroupPage().GroupList();
        groups.setFocus();
        groups.setCurrentItem(groups.topLevelItem(1));
        QTest::keyClick(&groups, Qt::Key_Space);
        user.Tabs().setCurrentIndex(CUserPropertiesDlg::kDatabasePage);
        user.DatabasePage().findChild<QRadioButton*>("selectedDatabases")->click();
        user.DatabasePage().SlotList().topLevelItem(1)->setCheckState(0, Qt::Checked);
        user.DatabasePage().SlotList().topLevelItem(4)->setCheckState(0, Qt::Checked);
        user.Tabs().setCurrentIndex(CUserPropertiesDlg::kOfficeListPage);
        CUserDatabaseOfficeListTabTabPage& airport = user.OfficeListPage().InnerPage(4);
        airport.SelectionSwitch().click();
        airport.OfficeList().topLevelItem(2)->setCheckState(0, Qt::Checked);
        airport.OfficeList().topLevelItem(99)->setCheckState(0, Qt::Checked);
        user.accept();
    });
    Commands().CreateItem();
    EXPECT_TRUE(m_ui.messages.empty());
    UserEntry dana = Stored("dana");
    EXPECT_EQ(dana.user, (UserRecord { 1, (1u << 1) | (1u << 4), "dana", "Dana Cole", "nights", "pw 1", 7 }));
    EXPECT_TRUE(dana.access.IsOfficeSelectionEnabled(4));
    EXPECT_TRUE(dana.access.IsOfficeAllowed(4, 3));
    EXPECT_TRUE(dana.access.IsOfficeAllowed(4, 100));
    EXPECT_FALSE(dana.access.IsOfficeAllowed(4, 4));
    EXPECT_EQ(Column(0), QStringList { "dana" });

    // Edit: a new full name, saved over the same user.
    View().SelectRow(0);
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "fullName", "Dana Cole-Smith");
        PressOk(dialog);
    });
    Commands().EditItem();
    EXPECT_EQ(StoredNames(), std::vector<std::string> { "dana" });
    EXPECT_EQ(Stored("dana").user.fullName, "Dana Cole-Smith");

    // Rename: the user lives on under the new name only, with all its data.
    View().SelectRow(0);
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "userName", "dcole");
        PressOk(dialog);
    });
    Commands().EditItem();
    EXPECT_EQ(StoredNames(), std::vector<std::string> { "dcole" });
    UserEntry renamed = Stored("dcole");
    dana.user.userName = "dcole";
    dana.user.fullName = "Dana Cole-Smith";
    dana.access.userName = "dcole";
    EXPECT_EQ(renamed, dana);
    EXPECT_EQ(Column(0), QStringList { "dcole" });
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(UserCommandsTest, NameOfAnotherUserIsRefusedOnCreateAndOnRename)
{
    AddUser(m_path, "ann", "Ann", "", 2);
    AddUser(m_path, "bob", "Bob", "", 2);
    Show(LoginPathCategory::Users);
    const auto before = ReadBytes(m_path + "/tessel.pwd");

    bool stayedOpen = false;
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "userName", "ann");
        PressOk(dialog);
        stayedOpen = dialog.isVisible();
        dialog.reject();
    });
    Commands().CreateItem();
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text, Word(Word::UserNameTaken));

    View().SelectRow(1);
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "userName", "ann");
        PressOk(dialog);
        stayedOpen = dialog.isVisible();
        // Its own name is no clash.
        Type(dialog, "userName", "bob");
        PressOk(dialog);
    });
    Commands().EditItem();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(StoredNames(), (std::vector<std::string> { "ann", "bob" }));
    EXPECT_EQ(Stored("ann").user.fullName, "Ann");
}

// A save that failed leaves the dialog open with the supervisor's edits; OK once the file is free saves them.
TEST_F(UserCommandsTest, UserFileHeldByAnotherProgramIsReportedAndTheDialogKeepsTheEdits)
{
    AddUser(m_path, "ann", "Ann", "", 2);
    Show(LoginPathCategory::Users);
    const std::string file = m_path + "/tessel.pwd";
    File other;
    ASSERT_EQ(other.OpenOnce(file, openflags::kReadWrite | openflags::kShareExclusive), kCauseNone);

    View().SelectRow(0);
    bool stayedOpen = false;
    QString keptName;
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "fullName", "Ann Smith");
        PressOk(dialog);
        stayedOpen = dialog.isVisible();
        keptName = dialog.findChild<QLineEdit*>("fullName")->text();
        other.Close();
        EXPECT_EQ(Stored("ann").user.fullName, "Ann");
        PressOk(dialog);
    });
    Commands().EditItem();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(keptName, "Ann Smith");
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].caption, Word(Word::NotSavedCaption));
    EXPECT_EQ(m_ui.messages[0].text,
        Word(Word::ChangesNotSaved) + "\n\n" + QString::fromStdString(file)
            + ": in use by another program (EWOULDBLOCK)");
    EXPECT_EQ(Stored("ann").user.fullName, "Ann Smith");
}

// Another program deleted the user while its dialog was open: OK asks before creating it again,
// with every field as the dialog shows it, the password it was opened with included.
struct DeletedMeanwhile {
    const char* name;
    UiServices::Answer answer;
    std::vector<std::string> namesAfterwards;
};

class UserDeletedMeanwhileTest : public UserCommandsTest, public ::testing::WithParamInterface<DeletedMeanwhile> { };

TEST_P(UserDeletedMeanwhileTest, OkAsksBeforeCreatingTheUserAgain)
{
    AddUser(m_path, "ann", "Ann", "days", 2);
    AddUser(m_path, "bob", "Bob", "", 2);
    Show(LoginPathCategory::Users);
    View().SelectRow(0);
    const UserEntry opened = Stored("ann");
    m_ui.answers = { GetParam().answer };
    WhenDialogOpens([&](QDialog& dialog) {
        const std::string name = "ann";
        ASSERT_TRUE(AccountService(NativePath(m_path)).DeleteUsers(std::span(&name, 1)));
        Type(dialog, "fullName", "Ann Smith");
        PressOk(dialog);
        EXPECT_FALSE(dialog.isVisible());
    });
    Commands().EditItem();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text, Word(Word::UserDeletedMeanwhile));
    EXPECT_EQ(m_ui.messages[0].caption, Word(Word::DeletedMeanwhileCaption));
    EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::OkCancelDefaultCancel);
    EXPECT_EQ(StoredNames(), GetParam().namesAfterwards);
    if (GetParam().answer == UiServices::Answer::Ok) {
        UserEntry expected = opened;
        expected.user.fullName = "Ann Smith";
        EXPECT_EQ(Stored("ann").user, expected.user);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, UserDeletedMeanwhileTest,
    ::testing::Values(DeletedMeanwhile { "CreateAgain", UiServices::Answer::Ok, { "ann", "bob" } },
        DeletedMeanwhile { "LeaveDeleted", UiServices::Answer::Cancel, { "bob" } }),
    [](const auto& info) { return std::string(info.param.name); });

// Enter on a question whose OK does harm answers Cancel; on the others it answers OK.
TEST(QtUiServicesTest, EnterAnswersCancelWhereOkCanDoHarm)
{
    const std::pair<UiServices::Buttons, UiServices::Answer> cases[] = {
        { UiServices::Buttons::OkCancel, UiServices::Answer::Ok },
        { UiServices::Buttons::OkCancelDefaultCancel, UiServices::Answer::Cancel },
    };
    for (const auto& [buttons, answer] : cases) {
        QtUiServices ui;
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(ui.ShowMessage(nullptr, "Delete?", "Delete", UiServices::Icon::Warning, buttons), answer);
    }
}

// The dialog's edits go into the user as stored when OK is pressed, in one change with the rename:
// what another program saved meanwhile in the fields the dialog left alone stays, and no copy is left
// under the old name.
TEST_F(UserCommandsTest, RenameKeepsWhatAnotherProgramChangedWhileTheDialogWasOpen)
{
    AddUser(m_path, "ann", "Ann", "days", 2);
    AddUser(m_path, "bob", "Bob", "", 2);
    Show(LoginPathCategory::Users);
    View().SelectRow(0);
    WhenDialogOpens([&](QDialog& dialog) {
        UserEntry changed = Stored("ann");
        changed.user.description = "night shift";
        changed.user.groupNumber = 7;
        ASSERT_TRUE(StoreUser(m_path, changed));
        Type(dialog, "userName", "anna");
        Type(dialog, "fullName", "Ann Smith");
        PressOk(dialog);
    });
    Commands().EditItem();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(StoredNames(), (std::vector<std::string> { "anna", "bob" }));
    const UserEntry anna = Stored("anna");
    EXPECT_EQ(anna.user.fullName, "Ann Smith");
    EXPECT_EQ(anna.user.description, "night shift");
    EXPECT_EQ(anna.user.groupNumber, 7);
    EXPECT_EQ(anna.user.password, "secret");
}

TEST_F(UserCommandsTest, DatabaseSlotEditKeepsWhatAnotherProgramChangedInOtherSlots)
{
    Show(LoginPathCategory::DatabasePaths);
    // Another program changes slot 0 after the list was read.
    SetDatabaseSlot(m_path, 0, "Depot", "/data/depot");

    View().SelectRow(4);
    WhenDialogOpens([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), Word(Word::DatabasePathTitle) + " 05");
        Type(dialog, "description", "Airport West");
        PressOk(dialog);
    });
    Commands().EditItem();
    DatabaseList stored;
    ASSERT_TRUE(DatabaseListStore(NativePath(m_path)).Load(stored).WasRead());
    EXPECT_EQ(stored.GetDescription(4), "Airport West");
    EXPECT_EQ(stored.GetPath(4), "/data/airport");
    EXPECT_EQ(stored.GetDescription(0), "Depot");
    EXPECT_EQ(stored.GetDescription(1), "Harbour");
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(UserCommandsTest, DatabaseListThatCannotBeWrittenIsReported)
{
    Show(LoginPathCategory::DatabasePaths);
    const std::string file = m_path + "/tessel.dbs";
    File other;
    ASSERT_EQ(other.OpenOnce(file, openflags::kReadWrite | openflags::kShareExclusive), kCauseNone);
    View().SelectRow(4);
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "description", "Airport West");
        PressOk(dialog);
    });
    const auto before = ReadBytes(file);
    Commands().EditItem();
    other.Close();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.startsWith(Word(Word::ChangesNotSaved) + "\n\n" + QString::fromStdString(file)))
        << m_ui.messages[0].text.toStdString();
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(UserCommandsTest, AddedLoginPathIsCreatedManagedAndOpened)
{
    const std::string added = m_dir.file("south/office");
    Select(Tree().RootItem());
    WhenDialogOpens([&](QDialog& dialog) {
        Type(dialog, "path", QString::fromStdString(added));
        PressOk(dialog);
    });
    Commands().CreateItem();
    EXPECT_TRUE(std::filesystem::exists(added + "/tessel.pwd"));
    const std::vector<std::string> paths = LoginPathList().Paths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[1], std::filesystem::canonical(added).string());
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), paths[1]);
}

} // namespace
} // namespace custodia::test
