#include "MainWindowFixture.h"

#include "app/ConsoleTrail.h"
#include "app/ItemCommands.h"
#include "platform/CodePage.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"
#include "store/AccountService.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailSettings.h"
#include "store/LoginPathList.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RightsCatalogue.h"
#include "ui/FileCauseText.h"

#include <QLineEdit>
#include <QStatusBar>
#include <QTreeView>

#include <deque>
#include <span>

namespace custodia::test {
namespace {

// Answers the dialogs of the commands from a script and records what they were opened with.
class ScriptedDialogs final : public ItemDialogs {
public:
    class Prompt final : public NewGroupPrompt {
    public:
        explicit Prompt(ScriptedDialogs& owner)
            : m_owner(owner)
        {
        }
        std::optional<NewGroupChoice> Run() override
        {
            ++m_owner.newGroupRuns;
            if (m_owner.newGroupChoices.empty())
                return std::nullopt;
            std::optional<NewGroupChoice> choice = m_owner.newGroupChoices.front();
            m_owner.newGroupChoices.pop_front();
            return choice;
        }

    private:
        ScriptedDialogs& m_owner;
    };

    bool EditUser(QWidget*, UserEntry& user, const std::vector<GroupEntry>& groups, const DatabaseList&,
        const UserNameCheck&) override
    {
        editedUsers.push_back(user);
        offeredGroups = groups;
        if (onUserDialog)
            onUserDialog();
        if (throwFromUserDialog)
            throw FileException(kCauseHardIo, "/lost/officena.mes");
        if (!userResult)
            return false;
        user = *userResult;
        return true;
    }
    std::unique_ptr<NewGroupPrompt> MakeNewGroupPrompt(QWidget*, const NativePath& loginPath) override
    {
        promptPaths.push_back(loginPath);
        return std::make_unique<Prompt>(*this);
    }
    // The real group dialog writes the group itself when the supervisor saves.
    bool EditGroup(QWidget*, const NativePath& loginPath, const GroupEntry& group) override
    {
        editedGroups.push_back(group);
        if (!saveGroup)
            return false;
        if (saveCheck && !saveCheck(nullptr, groupKeepsConsoleRight))
            return false;
        StoreGroup(loginPath, group.groupNumber, group.name);
        return true;
    }
    void SetGroupSaveCheck(GroupSaveCheck check) override { saveCheck = std::move(check); }
    bool EditDatabasePath(QWidget*, DatabaseList& databases, int slot) override
    {
        editedSlots.push_back(slot);
        if (!slotDescription)
            return false;
        databases.SetDescription(slot, *slotDescription);
        return true;
    }
    std::optional<NativePath> AskLoginPath(QWidget*) override
    {
        return loginPath ? std::optional<NativePath>(NativePath(*loginPath)) : std::nullopt;
    }

    std::optional<UserEntry> userResult;
    bool throwFromUserDialog = false;
    std::function<void()> onUserDialog; // what happens on disk while the dialog is open
    std::deque<std::optional<NewGroupChoice>> newGroupChoices;
    bool saveGroup = true;
    bool groupKeepsConsoleRight = true;
    GroupSaveCheck saveCheck;
    std::optional<std::string> slotDescription;
    std::optional<std::string> loginPath;

    std::vector<UserEntry> editedUsers;
    std::vector<GroupEntry> offeredGroups;
    std::vector<std::string> promptPaths;
    int newGroupRuns = 0;
    std::vector<GroupEntry> editedGroups;
    std::vector<int> editedSlots;
};

class CommandsTest : public MainWindowFixture {
protected:
    std::string m_path;
    ScriptedDialogs* m_dialogs = nullptr;

    void SetUp() override { m_path = MakeLoginPath("north"); }

    void Open()
    {
        OpenWindow();
        auto dialogs = std::make_unique<ScriptedDialogs>();
        m_dialogs = dialogs.get();
        m_frame->SetItemDialogs(std::move(dialogs));
    }

    CItemCommands& Commands() const { return m_frame->Commands(); }
    void ShowCategory(LoginPathCategory category, int pathIndex = 0) const
    {
        Select(CategoryItem(pathIndex, category));
    }

    std::vector<std::string> StoredUserNames() const
    {
        std::vector<std::string> names;
        for (const UserEntry& entry : StoredUsers(m_path))
            names.push_back(entry.user.userName);
        return names;
    }
    std::vector<int> StoredGroupNumbers() const
    {
        std::vector<int> numbers;
        for (const GroupEntry& group : ProfileStore(NativePath(m_path)).LoadGroupList().value)
            numbers.push_back(group.groupNumber);
        return numbers;
    }
    static std::vector<std::string> ManagedPaths() { return LoginPathList().Paths(); }

    void ExpectConfirmation(const QString& text, const QString& caption) const
    {
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, text);
        EXPECT_EQ(m_ui.messages[0].caption, caption);
        EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Warning);
        EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::OkCancelDefaultCancel);
    }
};

TEST_F(CommandsTest, DeletingAUserAsksWithItsTextsAndOkDeletesItFromDisk)
{
    AddUser(m_path, "ann", "Ann Smith", "night shift", 0);
    AddUser(m_path, "bob", "Bob Jones", "days", 0);
    Open();
    ShowCategory(LoginPathCategory::Users);
    View().SelectRow(0);

    Commands().DeleteItem();
    ExpectConfirmation(
        W(857) + "\n\n  " + W(865) + " ann\n  " + W(866) + " Ann Smith\n  " + W(861) + " night shift", W(856));
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "bob" });
    EXPECT_EQ(Column(0), QStringList { "bob" });
}

TEST_F(CommandsTest, DeletingAGroupAsksWithItsNumberAndOkDeletesItFromEveryProfile)
{
    AddGroup(m_path, 4, "Operators");
    AddGroup(m_path, 9, "Viewers");
    Open();
    ShowCategory(LoginPathCategory::Groups);
    View().SelectRow(0);

    Commands().DeleteItem();
    ExpectConfirmation(W(800) + ":\n\n  004 Operators\n", W(799));
    EXPECT_EQ(StoredGroupNumbers(), std::vector<int> { 9 });
    RightsTable rights;
    std::string name;
    EXPECT_FALSE(ProfileStore(NativePath(m_path)).ReadGroupRights(4, rights, name));
    EXPECT_EQ(Column(0), QStringList { "009" });
}

// Cancel at any confirmation leaves every file and the list as they were.
TEST_F(CommandsTest, CancelledDeletionsChangeNothing)
{
    AddUser(m_path, "ann", "Ann Smith", "", 0);
    AddGroup(m_path, 4, "Operators");
    Open();
    const std::vector<std::string> files { m_path + "/tessel.pwd", m_path + "/setup.prf", m_path + "/custodia.prf",
        "custo.cfg" };
    std::vector<std::vector<unsigned char>> before;
    for (const std::string& file : files)
        before.push_back(ReadBytes(file));

    struct Case {
        const char* node;
        QTreeWidgetItem* item;
    };
    const Case cases[] = {
        { "users", CategoryItem(0, LoginPathCategory::Users) },
        { "groups", CategoryItem(0, LoginPathCategory::Groups) },
        { "login paths", Tree().RootItem() },
        { "categories", PathItem(0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Select(c.item);
        const QStringList rows = Column(0);
        View().SelectRow(0);
        m_ui.messages.clear();
        m_ui.answers = { UiServices::Answer::Cancel };
        Commands().DeleteItem();
        EXPECT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(Column(0), rows);
        for (size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(ReadBytes(files[i]), before[i]) << files[i];
    }
    EXPECT_EQ(ManagedPaths(), std::vector<std::string> { m_path });
}

TEST_F(CommandsTest, RemovingALoginPathStopsManagingItAndOpensTheNextOne)
{
    const std::string second = MakeLoginPath("south");
    AddUser(m_path, "ann", "", "", 0);
    AddUser(second, "bob", "", "", 0);
    Open();

    // In the categories view every row stands for the login path whose categories are shown.
    Select(PathItem(0));
    View().SelectRow(2);
    Commands().DeleteItem();
    ExpectConfirmation(W(938) + "\n\n " + QString::fromStdString(m_path), W(937));

    EXPECT_EQ(ManagedPaths(), std::vector<std::string> { second });
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "ann" }) << "the folder's files stay";
    ASSERT_EQ(Tree().RootItem()->childCount(), 1);
    EXPECT_EQ(Tree().currentItem(), CategoryItem(0, LoginPathCategory::Users));
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), second);
    EXPECT_EQ(Column(0), QStringList { "bob" });
}

TEST_F(CommandsTest, RemovingTheOnlyLoginPathLeavesTheRootAloneAndClearsTheList)
{
    Open();
    Select(Tree().RootItem());
    View().SelectRow(0);
    Commands().DeleteItem();

    EXPECT_TRUE(ManagedPaths().empty());
    EXPECT_EQ(Tree().RootItem()->childCount(), 0);
    EXPECT_TRUE(Tree().selectedItems().isEmpty());
    EXPECT_EQ(View().Mode(), ListMode::None);
    EXPECT_EQ(Columns(), 0);
}

TEST_F(CommandsTest, WithSeveralRowsSelectedDeleteAsksOnceAndDeletesEach)
{
    AddUser(m_path, "ann", "Ann", "", 0);
    AddUser(m_path, "bob", "Bob", "", 0);
    AddUser(m_path, "carl", "Carl", "", 0);
    Open();
    ShowCategory(LoginPathCategory::Users);
    QItemSelectionModel& selection = *View().DetailsView().selectionModel();
    selection.select(Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(Model().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    Commands().DeleteItem();
    ExpectConfirmation(W(773).arg(2) + "\n\n  bob - Bob\n  carl - Carl\n", W(856));
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "ann" });
    EXPECT_EQ(Column(0), QStringList { "ann" });
}

TEST_F(CommandsTest, ManySelectedRowsAreCountedAndTheRestSummed)
{
    for (int i = 0; i < 14; ++i)
        AddUser(m_path, "user" + std::to_string(10 + i), "", "", 0);
    Open();
    ShowCategory(LoginPathCategory::Users);
    View().DetailsView().selectAll();

    Commands().DeleteItem();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.startsWith(W(773).arg(14)));
    EXPECT_TRUE(m_ui.messages[0].text.contains(W(774).arg(4)));
    EXPECT_FALSE(m_ui.messages[0].text.contains("user23"));
    EXPECT_TRUE(StoredUserNames().empty());
}

TEST_F(CommandsTest, DeletingAGroupWithMembersSaysHowManyAndNamesSome)
{
    AddGroup(m_path, 4, "Operators");
    AddGroup(m_path, 9, "Viewers");
    for (const char* name : { "ann", "bob", "carl", "dora", "eve", "fred", "gus" })
        AddUser(m_path, name, "", "", 4);
    AddUser(m_path, "zoe", "", "", 9);
    Open();
    ShowCategory(LoginPathCategory::Groups);
    View().SelectRow(0);

    m_ui.answers = { UiServices::Answer::Cancel };
    Commands().DeleteItem();
    ExpectConfirmation(W(800) + ":\n\n  004 Operators\n\n" + W(777).arg(7) + "\n  ann\n  bob\n  carl\n  dora\n  eve\n  "
            + W(774).arg(2) + "\n",
        W(799));
    EXPECT_EQ(StoredGroupNumbers(), (std::vector<int> { 4, 9 }));
}

TEST_F(CommandsTest, UsedGroupNumberIsRefusedAndTheNumberDialogRunsAgain)
{
    AddGroup(m_path, 4, "Operators");
    Open();
    ShowCategory(LoginPathCategory::Groups);
    m_dialogs->newGroupChoices = { NewGroupChoice { 4, "Again" }, NewGroupChoice { 5, "Night shift" } };

    Commands().CreateItem();
    EXPECT_EQ(m_dialogs->newGroupRuns, 2);
    EXPECT_EQ(m_dialogs->promptPaths, std::vector<std::string> { m_path }) << "one dialog, run again";
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text, W(934));
    EXPECT_EQ(m_ui.messages[0].caption, W(929));
    EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
    EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::Ok);

    ASSERT_EQ(m_dialogs->editedGroups.size(), 1u);
    EXPECT_EQ(m_dialogs->editedGroups[0], (GroupEntry { 5, "Night shift", "" }));
    EXPECT_EQ(StoredGroupNumbers(), (std::vector<int> { 4, 5 }));
    EXPECT_EQ(Column(1), (QStringList { "Operators", "Night shift" }));
}

TEST_F(CommandsTest, CancelAfterAClashCreatesNothing)
{
    AddGroup(m_path, 4, "Operators");
    Open();
    ShowCategory(LoginPathCategory::Groups);
    const auto before = ReadBytes(m_path + "/setup.prf");
    m_dialogs->newGroupChoices = { NewGroupChoice { 4, "Again" }, std::nullopt };

    Commands().CreateItem();
    EXPECT_EQ(m_dialogs->newGroupRuns, 2);
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_dialogs->editedGroups.empty());
    EXPECT_EQ(ReadBytes(m_path + "/setup.prf"), before);
}

TEST_F(CommandsTest, FirstGroupOfALoginPathNeedsNoClashCheck)
{
    Open();
    ShowCategory(LoginPathCategory::Groups);
    m_dialogs->newGroupChoices = { NewGroupChoice { 0, "Everyone" } };

    Commands().CreateItem();
    EXPECT_EQ(m_dialogs->newGroupRuns, 1);
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(StoredGroupNumbers(), std::vector<int> { 0 });
    EXPECT_EQ(Column(0), QStringList { "000" });
}

TEST_F(CommandsTest, CreatedUserIsSavedAndListedAndACancelledOneIsNot)
{
    AddGroup(m_path, 2, "Staff");
    Open();
    ShowCategory(LoginPathCategory::Users);

    Commands().CreateItem();
    ASSERT_EQ(m_dialogs->editedUsers.size(), 1u);
    EXPECT_EQ(m_dialogs->editedUsers[0], UserEntry {}) << "a new user starts empty";
    EXPECT_EQ(m_dialogs->offeredGroups, (std::vector<GroupEntry> { { 2, "Staff", "" } }));
    EXPECT_TRUE(StoredUserNames().empty());

    UserEntry dana;
    dana.user.userName = "dana";
    dana.user.fullName = "Dana Cole";
    dana.user.password = "pw";
    dana.user.groupNumber = 2;
    m_dialogs->userResult = dana;
    Commands().CreateItem();
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "dana" });
    EXPECT_EQ(Cell(0, 2), "002 - Staff");
}

// With hundreds of rows a new one lands far below the visible part: it is selected and scrolled to,
// through a filter that would hide it.
TEST_F(CommandsTest, ANewUserOrGroupIsSelectedAndScrolledIntoView)
{
    for (int i = 0; i < 300; ++i) {
        AddUser(m_path, "user" + std::to_string(100 + i), "", "", 0);
        if (i < 60)
            AddGroup(m_path, i, "Group " + std::to_string(i));
    }
    Open();
    m_frame->resize(900, 500);
    struct Case {
        LoginPathCategory category;
        std::function<void()> script;
        QString filter;
        QString key; // of the new row
    };
    const Case cases[] = {
        { LoginPathCategory::Users,
            [&] {
                UserEntry zoe;
                zoe.user.userName = "zoe";
                zoe.user.password = "pw";
                m_dialogs->userResult = zoe;
            },
            {}, "zoe" },
        { LoginPathCategory::Users,
            [&] {
                UserEntry yan;
                yan.user.userName = "yan";
                m_dialogs->userResult = yan;
            },
            "user12", "yan" },
        { LoginPathCategory::Groups,
            [&] {
                m_dialogs->newGroupChoices = { NewGroupChoice { 250, "Night" } };
            },
            {}, "250" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        ShowCategory(c.category);
        View().SelectRow(0);
        View().FilterBox().setText(c.filter);
        c.script();
        Commands().CreateItem();

        const std::optional<int> row = View().SelectedRow();
        ASSERT_TRUE(row.has_value());
        EXPECT_EQ(View().SelectedRows().size(), 1u);
        EXPECT_EQ(View().ItemModel().RowKey(*row), c.key);
        EXPECT_FALSE(View().IsFiltering());
        const QTreeView& list = View().DetailsView();
        const QModelIndex shown = list.selectionModel()->currentIndex();
        EXPECT_EQ(shown.row(), list.selectionModel()->selectedRows().value(0).row()) << "the focus is on it too";
        EXPECT_TRUE(list.viewport()->rect().contains(list.visualRect(shown))) << "in sight";
    }
}

// The focus can leave the selection far behind (Ctrl+End moves it alone): before it asks, Delete
// scrolls to what it deletes, and the question names it.
TEST_F(CommandsTest, DeleteShowsTheSelectionBeforeItAsks)
{
    for (int i = 0; i < 300; ++i)
        AddUser(m_path, "user" + std::to_string(100 + i), "Full " + std::to_string(i), "", 0);
    for (int i = 0; i < 4; ++i)
        AddGroup(m_path, i + 1, "Group " + std::to_string(i + 1));
    Open();
    m_frame->resize(900, 500);
    ShowCategory(LoginPathCategory::Users);
    QTreeView& list = View().DetailsView();
    View().SelectRow(1);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(View().SelectedRow(), 1);
    ASSERT_FALSE(list.viewport()->rect().intersects(list.visualRect(Model().index(1, 0))));

    bool shownWhenAsked = false;
    m_ui.onMessage = [&](const FakeUiServices::Message&) {
        shownWhenAsked = list.viewport()->rect().contains(list.visualRect(Model().index(1, 0)));
    };
    m_ui.answers = { UiServices::Answer::Cancel };
    Commands().DeleteItem();
    EXPECT_TRUE(shownWhenAsked);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains(W(865) + " user101")) << m_ui.messages[0].text.toStdString();
    EXPECT_EQ(StoredUserNames().size(), 300u);

    // Many groups are counted and named, as many users are.
    ShowCategory(LoginPathCategory::Groups);
    list.selectAll();
    m_ui.messages.clear();
    m_ui.onMessage = {};
    m_ui.answers = { UiServices::Answer::Cancel };
    Commands().DeleteItem();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    const QString& text = m_ui.messages[0].text;
    EXPECT_TRUE(text.startsWith(W(773).arg(Rows()) + "\n\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("  001 Group 1\n  002 Group 2\n  003 Group 3\n  004 Group 4\n")) << text.toStdString();
}

TEST_F(CommandsTest, EditedDatabaseSlotIsSavedWholeAndACancelledEditWritesNothing)
{
    Open();
    ShowCategory(LoginPathCategory::DatabasePaths);
    View().SelectRow(3);

    Commands().EditItem();
    EXPECT_EQ(m_dialogs->editedSlots, std::vector<int> { 3 });
    EXPECT_FALSE(std::filesystem::exists(m_path + "/tessel.dbs"));

    m_dialogs->slotDescription = "Warehouse";
    View().SelectRow(3);
    Commands().EditItem();
    DatabaseList stored;
    ASSERT_TRUE(DatabaseListStore(NativePath(m_path)).Load(stored).WasRead());
    EXPECT_EQ(stored.GetDescription(3), "Warehouse");
    EXPECT_EQ(Cell(3, 0), "04 Warehouse");
}

TEST_F(CommandsTest, DatabaseSlotsAreNeitherCreatedNorDeleted)
{
    SetDatabaseSlot(m_path, 0, "Head office", "/data/head");
    Open();
    ShowCategory(LoginPathCategory::DatabasePaths);
    View().SelectRow(0);
    const auto before = ReadBytes(m_path + "/tessel.dbs");

    Commands().CreateItem();
    Commands().DeleteItem();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_TRUE(m_dialogs->editedSlots.empty());
    EXPECT_EQ(ReadBytes(m_path + "/tessel.dbs"), before);
}

TEST_F(CommandsTest, EditingALoginPathOrCategoryRowOpensItInTheTree)
{
    const std::string second = MakeLoginPath("south");
    Open();

    Select(Tree().RootItem());
    View().SelectRow(1);
    Commands().EditItem();
    EXPECT_EQ(Tree().currentItem(), CategoryItem(1, LoginPathCategory::Users));

    const LoginPathCategory categories[]
        = { LoginPathCategory::Users, LoginPathCategory::Groups, LoginPathCategory::DatabasePaths };
    for (const LoginPathCategory category : categories) {
        Select(PathItem(1));
        View().SelectRow(static_cast<int>(category));
        Commands().EditItem();
        EXPECT_EQ(Tree().currentItem(), CategoryItem(1, category));
        EXPECT_EQ(View().CurrentLoginPath().Bytes(), second);
    }
}

TEST_F(CommandsTest, AddedLoginPathIsStoredOnceAndOpened)
{
    Open();
    const std::string added = MakeLoginPath("east", false);
    AddUser(added, "erin", "", "", 0);
    m_dialogs->loginPath = added;
    Select(Tree().RootItem());

    Commands().CreateItem();
    EXPECT_EQ(ManagedPaths(), (std::vector<std::string> { m_path, added }));
    EXPECT_EQ(Tree().currentItem(), CategoryItem(1, LoginPathCategory::Users));
    EXPECT_EQ(Column(0), QStringList { "erin" });

    // The same folder by another text is managed already: said so, naming the entry, which opens.
    std::filesystem::create_directory_symlink(added, m_dir.file("east-link"));
    const auto before = ReadBytes("custo.cfg");
    for (const std::string& other : { added, added + "/", m_dir.file("east-link") }) {
        m_ui.messages.clear();
        Select(Tree().RootItem());
        m_dialogs->loginPath = other;
        Commands().CreateItem();
        EXPECT_EQ(ReadBytes("custo.cfg"), before) << other;
        ASSERT_EQ(m_ui.messages.size(), 1u) << other;
        EXPECT_EQ(m_ui.messages[0].text, W(680) + "\n\n  " + QString::fromStdString(added));
        EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Information);
        EXPECT_EQ(Tree().currentItem(), CategoryItem(1, LoginPathCategory::Users)) << other;
        EXPECT_EQ(View().CurrentLoginPath().Bytes(), added);
    }

    // Other letters name another folder here: it is managed beside the first and opened, not the first.
    const std::string upper = MakeLoginPath("EAST", false);
    m_ui.messages.clear();
    Select(Tree().RootItem());
    m_dialogs->loginPath = upper;
    Commands().CreateItem();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(ManagedPaths(), (std::vector<std::string> { m_path, added, upper }));
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), upper);
    EXPECT_EQ(Column(0), QStringList {});
}

// A login path whose folder has gone says so at once: no dialog opens, no file is waited for.
TEST_F(CommandsTest, CreateAndEditInAMissingFolderSayItAtOnce)
{
    AddUser(m_path, "ann", "", "", 0);
    AddGroup(m_path, 2, "Staff");
    const std::string plainFile = m_dir.file("plain");
    WriteBytes(plainFile, { 'x' });
    MakeLoginPath("plain-path");
    std::filesystem::remove(m_dir.file("plain-path"));
    std::filesystem::rename(plainFile, m_dir.file("plain-path"));
    Open();
    int waits = 0;
    m_frame->Calls().SetSleepFunction([&](int) { ++waits; });
    m_dialogs->userResult = UserEntry {};
    m_dialogs->slotDescription = "Warehouse";

    struct Case {
        int pathIndex;
        LoginPathCategory category;
        bool create;
        int reason;
    };
    const Case cases[] = {
        { 0, LoginPathCategory::Users, true, 765 }, { 0, LoginPathCategory::Users, false, 765 },
        { 0, LoginPathCategory::Groups, true, 765 }, { 0, LoginPathCategory::Groups, false, 765 },
        { 0, LoginPathCategory::DatabasePaths, false, 765 },
        { 1, LoginPathCategory::Users, true, 766 }, // a file stands where the folder belongs
    };
    for (const Case& c : cases) {
        const std::string folder = c.pathIndex == 0 ? m_path : m_dir.file("plain-path");
        ShowCategory(c.category, c.pathIndex);
        View().SelectRow(0);
        if (c.pathIndex == 0)
            std::filesystem::rename(m_path, m_path + ".away");
        m_ui.messages.clear();
        if (c.create)
            Commands().CreateItem();
        else
            Commands().EditItem();
        if (c.pathIndex == 0)
            std::filesystem::rename(m_path + ".away", m_path);
        ASSERT_EQ(m_ui.messages.size(), 1u) << static_cast<int>(c.category) << c.create;
        EXPECT_EQ(m_ui.messages[0].text, W(681) + "\n\n  " + QString::fromStdString(folder) + "\n\n" + W(c.reason));
        EXPECT_EQ(m_ui.messages[0].caption, W(682));
        EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
    }
    EXPECT_TRUE(m_dialogs->editedUsers.empty());
    EXPECT_TRUE(m_dialogs->editedGroups.empty());
    EXPECT_TRUE(m_dialogs->editedSlots.empty());
    EXPECT_EQ(m_dialogs->newGroupRuns, 0);
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "ann" });
}

// A folder that goes while the dialog is open is not waited for at OK: the save says why at once.
TEST_F(CommandsTest, SaveIntoAFolderGoneMeanwhileFailsWithoutWaiting)
{
    Open();
    ShowCategory(LoginPathCategory::Users);
    int waits = 0;
    m_frame->Calls().SetSleepFunction([&](int) { ++waits; });
    UserEntry dana;
    dana.user.userName = "dana";
    dana.user.password = "pw";
    m_dialogs->userResult = dana;
    m_dialogs->onUserDialog = [&] { std::filesystem::rename(m_path, m_path + ".away"); };

    Commands().CreateItem();
    EXPECT_EQ(waits, 0);
    ASSERT_FALSE(m_ui.messages.empty());
    EXPECT_TRUE(m_ui.messages.back().text.contains(QString::fromStdString(m_path + "/")))
        << m_ui.messages.back().text.toStdString();
    std::filesystem::rename(m_path + ".away", m_path);
    EXPECT_TRUE(StoredUserNames().empty());
}

TEST_F(CommandsTest, FileErrorInACommandIsReportedWithTheFileNameAndTheConsoleGoesOn)
{
    AddUser(m_path, "ann", "", "", 0);
    Open();
    m_dialogs->throwFromUserDialog = true;
    View().SelectRow(0);

    Commands().EditItem();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains("/lost/officena.mes")) << m_ui.messages[0].text.toStdString();
    EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "ann" });
    EXPECT_EQ(Column(0), QStringList { "ann" });
}

// Login paths are the platform's bytes (UTF-8 here), not the suite's code page: a failure in a folder
// named with letters beyond ASCII names it as the supervisor typed it, in the message and in the list.
TEST_F(CommandsTest, AFailureInAFolderWithNonAsciiLettersNamesItRight)
{
    const std::string path = MakeLoginPath("M\xc3\xbcller");
    const std::string userFile = path + "/tessel.pwd";
    AddUser(path, "ann", "", "", 0);
    Open();
    ShowCategory(LoginPathCategory::Users, 1);
    View().SelectRow(0);
    SharedFile holder; // another program holds the user file through every retry
    ASSERT_TRUE(
        holder.OpenWithRetry(userFile, openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));

    Commands().DeleteItem();
    ASSERT_EQ(m_ui.messages.size(), 2u) << "the question, then the failure";
    const QString shown = QString::fromUtf8(userFile.c_str());
    EXPECT_TRUE(m_ui.messages[1].text.contains(shown)) << m_ui.messages[1].text.toStdString();
    EXPECT_FALSE(m_ui.messages[1].text.contains(QString::fromUtf8("M\xc3\x83\xc2\xbc"))) << "decoded as a stored text";
    ASSERT_TRUE(View().Problem().has_value());
    EXPECT_EQ(View().Problem()->fileName, shown);
}

// Every change of the window goes through the account services, and a failure of each is shown in the
// one message box for it: what was not saved, the file that stopped it and the cause.
struct HeldFileCase {
    const char* name;
    LoginPathCategory category;
    const char* heldFile;
    bool deletes; // the command asks first
};

class CommandFailureTest : public CommandsTest, public ::testing::WithParamInterface<HeldFileCase> { };

TEST_P(CommandFailureTest, IsShownWithTheFileAndTheCause)
{
    AddUser(m_path, "ann", "Ann", "", 2);
    AddGroup(m_path, 2, "Staff");
    SetDatabaseSlot(m_path, 0, "Harbour", "/data/harbour");
    Open();
    m_dialogs->userResult = UserEntry { UserRecord { 0, 0, "ann", "Ann Smith", "", "secret", 2 }, {} };
    m_dialogs->slotDescription = "Depot";
    ShowCategory(GetParam().category);
    View().SelectRow(0);
    const std::string file = m_path + "/" + GetParam().heldFile;
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(file, openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));

    if (GetParam().deletes)
        Commands().DeleteItem();
    else
        Commands().EditItem();
    ASSERT_FALSE(m_ui.messages.empty());
    const FakeUiServices::Message& shown = m_ui.messages.back();
    EXPECT_EQ(shown.caption, W(871));
    EXPECT_EQ(shown.icon, UiServices::Icon::Critical);
    EXPECT_TRUE(shown.text.startsWith(W(870))) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(QString::fromStdString(file) + ": ")) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(W(WordNumber(FileCauseWord(kCauseSharingViolation))))) << shown.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandFailureTest,
    ::testing::Values(HeldFileCase { "EditUser", LoginPathCategory::Users, "tessel.pwd", false },
        HeldFileCase { "DeleteUser", LoginPathCategory::Users, "tessel.pwd", true },
        HeldFileCase { "DeleteGroup", LoginPathCategory::Groups, "setup.prf", true },
        HeldFileCase { "EditDatabaseSlot", LoginPathCategory::DatabasePaths, "tessel.dbs", false }),
    [](const ::testing::TestParamInfo<HeldFileCase>& info) { return std::string(info.param.name); });

// A change that meets a held file waits off the window's thread: the wait dialog shows after about a
// second, and its Cancel ends the change with nothing written; a file let go during the waits is
// written once it is free. Both end with the list read again and the window as it was.
TEST_F(CommandsTest, AChangeWaitsForAHeldFileUntilItIsFreeOrCancelled)
{
    struct Case {
        const char* name;
        int releaseAtWait; // 0: the supervisor cancels once the dialog shows
        const char* storedFullName;
    };
    const Case cases[] = {
        { "cancelled", 0, "Ann" },
        { "held briefly", 4, "Ann Smith" },
    };
    AddUser(m_path, "ann", "Ann", "", 0);
    Open();
    ShowCategory(LoginPathCategory::Users);
    m_dialogs->userResult = UserEntry { UserRecord { 0, 0, "ann", "Ann Smith", "", "secret", 0 }, {} };
    const std::string userFile = m_path + "/tessel.pwd";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.messages.clear();
        ItemList().Reload();
        auto holder = std::make_unique<SharedFile>();
        ASSERT_TRUE(
            holder->OpenWithRetry(userFile, openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));
        int dialogShownAt = 0;
        bool commandsBlocked = true;
        PaceWaits([&](int wait) {
            QDialog* dialog = WaitDialog();
            if (dialog != nullptr && dialogShownAt == 0) {
                dialogShownAt = wait;
                // Only the dialog takes input while a change waits: the window behind it stays modal.
                commandsBlocked = commandsBlocked && QApplication::activeModalWidget() == dialog;
            }
            if (c.releaseAtWait == 0 && dialog != nullptr)
                CancelWait(*dialog);
            if (wait == c.releaseAtWait)
                holder.reset();
        });
        View().SelectRow(0);
        Commands().EditItem();
        // The list's own read after the change meets the same file while it is still held.
        holder.reset();

        EXPECT_EQ(dialogShownAt, 3) << "two waits (about a second) before the dialog";
        EXPECT_TRUE(commandsBlocked);
        EXPECT_FALSE(m_frame->Calls().IsRunning());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        const Result<std::optional<UserEntry>> stored = AccountService(NativePath(m_path)).FindUser("ann");
        ASSERT_TRUE(stored && stored->has_value());
        EXPECT_EQ((*stored)->user.fullName, c.storedFullName);
        if (c.releaseAtWait == 0) {
            EXPECT_LT(m_waits, SharedFile::kRetryBudget) << "Cancel ends the waiting";
            ASSERT_FALSE(m_ui.messages.empty()) << "a cancelled change is not shown as saved";
            EXPECT_EQ(m_ui.messages.front().caption, W(871));
            EXPECT_TRUE(m_ui.messages.front().text.contains(QString::fromStdString(userFile)));
        } else {
            EXPECT_TRUE(m_ui.messages.empty());
        }
    }
}

// Until the dialogs exist, the commands that need one do nothing at all.
TEST_F(CommandsTest, CommandsNeedingAMissingDialogDoNothing)
{
    AddUser(m_path, "ann", "", "", 0);
    OpenWindow();
    const auto before = ReadBytes(m_path + "/tessel.pwd");
    const LoginPathCategory categories[]
        = { LoginPathCategory::Users, LoginPathCategory::Groups, LoginPathCategory::DatabasePaths };
    for (const LoginPathCategory category : categories) {
        ShowCategory(category);
        View().SelectRow(0);
        m_frame->Commands().CreateItem();
        m_frame->Commands().EditItem();
    }
    Select(Tree().RootItem());
    m_frame->Commands().CreateItem();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(ReadBytes(m_path + "/tessel.pwd"), before);
    EXPECT_EQ(ManagedPaths(), std::vector<std::string> { m_path });
}

// Logged on as ann of group 4, the only group that may start the console; bob's group 9 may not.
class LockOutTest : public CommandsTest {
protected:
    void SetUp() override
    {
        CommandsTest::SetUp();
        AddGroupWithConsoleRight(4, "Supervisors", true);
        AddGroupWithConsoleRight(9, "Operators", false);
        AddUser(m_path, "ann", "", "", 4);
        AddUser(m_path, "bob", "", "", 9);
        AddUser(m_path, "carl", "", "", 4);
        Open();
        m_frame->SetSupervisor(LoggedOnSupervisor { m_path, "ann", 4 });
    }

    void AddGroupWithConsoleRight(int number, const std::string& name, bool right) const
    {
        ASSERT_TRUE(StoreGroup(m_path, number, name, [&](int program, std::span<unsigned char> rights) {
            std::fill(rights.begin(), rights.end(), 0);
            if (program == kProgramCustodia)
                rights[kConsoleRightPosition] = right ? 1 : 0;
        }));
    }
    void SelectUsers(std::initializer_list<int> rows) const
    {
        ShowCategory(LoginPathCategory::Users);
        QItemSelectionModel& selection = *View().DetailsView().selectionModel();
        selection.clearSelection();
        for (const int row : rows)
            selection.select(Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<std::vector<unsigned char>> StoredBytes() const
    {
        std::vector<std::vector<unsigned char>> bytes;
        for (const char* file : { "/tessel.pwd", "/setup.prf", "/custodia.prf" })
            bytes.push_back(ReadBytes(m_path + file));
        return bytes;
    }
    // The question after the confirmation, answered with Cancel: nothing on disk may change.
    void ExpectSecondQuestionCancelled(int warning, const std::function<void()>& command)
    {
        const auto before = StoredBytes();
        m_ui.messages.clear();
        m_ui.answers = { UiServices::Answer::Ok, UiServices::Answer::Cancel };
        command();
        ASSERT_EQ(m_ui.messages.size(), 2u);
        EXPECT_EQ(m_ui.messages[1].text, W(warning));
        EXPECT_EQ(m_ui.messages[1].caption, W(780));
        EXPECT_EQ(m_ui.messages[1].buttons, UiServices::Buttons::OkCancelDefaultCancel);
        EXPECT_EQ(StoredBytes(), before);
    }
};

TEST_F(LockOutTest, ChangesThatLockTheConsoleAskASecondTimeAndCancelKeepsEverything)
{
    {
        SCOPED_TRACE("deleting the logged-on user");
        ExpectSecondQuestionCancelled(779, [&] {
            SelectUsers({ 0 });
            Commands().DeleteItem();
        });
    }
    {
        SCOPED_TRACE("deleting every user who may start the console");
        ExpectSecondQuestionCancelled(778, [&] {
            SelectUsers({ 0, 2 });
            Commands().DeleteItem();
        });
    }
    {
        SCOPED_TRACE("deleting the group that holds the right");
        ExpectSecondQuestionCancelled(778, [&] {
            ShowCategory(LoginPathCategory::Groups);
            View().SelectRow(0);
            Commands().DeleteItem();
        });
    }
    {
        SCOPED_TRACE("saving the group without the right");
        m_dialogs->groupKeepsConsoleRight = false;
        const auto before = StoredBytes();
        m_ui.messages.clear();
        m_ui.answers = { UiServices::Answer::Cancel };
        ShowCategory(LoginPathCategory::Groups);
        View().SelectRow(0);
        Commands().EditItem();
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, W(778));
        EXPECT_EQ(StoredBytes(), before);
    }
}

TEST_F(LockOutTest, ChangesThatLeaveSomeoneAbleToStartAskOnlyOnce)
{
    SelectUsers({ 1, 2 });
    Commands().DeleteItem();
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "ann" });

    // A second OK goes ahead.
    m_ui.messages.clear();
    SelectUsers({ 0 });
    Commands().DeleteItem();
    EXPECT_EQ(m_ui.messages.size(), 2u);
    EXPECT_TRUE(StoredUserNames().empty());
}

TEST_F(LockOutTest, OtherLoginPathsAndRunsWithoutLogOnAreNotGuarded)
{
    m_frame->SetSupervisor(std::nullopt);
    SelectUsers({ 0, 2 });
    Commands().DeleteItem();
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "bob" });
}

// The trail's last line, as the window's change left it.
TrailEntry LastTrailLine(const std::string& loginPath)
{
    const Result<TrailCheck> trail = ReadTrail(NativePath(loginPath));
    EXPECT_TRUE(trail && trail->IsSound());
    return trail && !trail->entries.empty() ? trail->entries.back() : TrailEntry {};
}

TEST_F(LockOutTest, TheWindowsChangesAreLoggedAsTheConsoleAndTheLoggedOnUser)
{
    SelectUsers({ 1 });
    Commands().DeleteItem();
    ASSERT_EQ(StoredUserNames(), (std::vector<std::string> { "ann", "carl" }));
    const TrailEntry line = LastTrailLine(m_path);
    EXPECT_EQ(line.action, "user deleted");
    EXPECT_EQ(line.object, "user bob");
    EXPECT_EQ(line.actor.program, "console");
    EXPECT_EQ(line.actor.consoleUser, "ann");
    EXPECT_EQ(line.actor.account, CurrentActor("", "").account);

    // Logged off: the same window names no console user.
    m_frame->SetSupervisor(std::nullopt);
    SelectUsers({ 1 });
    Commands().DeleteItem();
    EXPECT_EQ(LastTrailLine(m_path).object, "user carl");
    EXPECT_EQ(LastTrailLine(m_path).actor.consoleUser, "");
    EXPECT_EQ(LastTrailLine(m_path).actor.program, "console");
}

TEST_F(CommandsTest, AChangeWithoutItsTrailLineSaysSoInTheStatusBar)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "bob", "", "", 0);
    WriteText(m_path + "/" + audittrail::kSettingsFileName, "unlogged-changes=allowed\n");
    const std::string trail = m_path + "/" + audittrail::kFileName;
    std::filesystem::create_directory(trail);
    Open();
    ShowCategory(LoginPathCategory::Users);
    View().SelectRow(0);
    m_ui.answers = { UiServices::Answer::Ok };

    Commands().DeleteItem();
    QCoreApplication::processEvents();
    EXPECT_EQ(StoredUserNames(), std::vector<std::string> { "bob" });
    const QString status = m_frame->statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith(W(640).section(QLatin1Char('%'), 0, 0))) << status.toStdString();
    EXPECT_TRUE(status.contains(QString::fromStdString(trail))) << status.toStdString();
}

// A right is named in its line by the words the group dialog labels it with.
TEST_F(CommandsTest, RightsAreNamedInTheTrailByTheirWords)
{
    AddGroup(m_path, 4, "Operators");
    const TrailOptions options = ConsoleTrailOptions(*m_words, "ann", nullptr);
    for (const RightsPage& page : RightsPages()) {
        for (const RightRow& right : page.rows) {
            SCOPED_TRACE(testing::Message() << "program " << page.program << " position " << right.position);
            const Status saved = AccountService(NativePath(m_path), options)
                                     .ChangeGroup(4, "Operators", SaveMode::ReplaceOnly,
                                         [&](int program, std::span<unsigned char> rights) {
                                             if (program == page.program)
                                                 rights[static_cast<size_t>(right.position)] ^= 1;
                                         });
            ASSERT_TRUE(saved);
            const TrailEntry line = LastTrailLine(m_path);
            ASSERT_EQ(line.changes.size(), 1u);
            EXPECT_EQ(line.changes[0].field, "right");
            EXPECT_EQ(line.changes[0].after, StoredToUtf8(m_words->GetWord(right.labelWord)));
        }
    }
}

} // namespace
} // namespace custodia::test
