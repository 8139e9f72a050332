#include "bulk/CImportUsersDialog.h"
#include "bulk/UserImportTableModel.h"
#include "platform/File.h"
#include "platform/SharedFile.h"
#include "store/AccountService.h"
#include "support/FakeUiServices.h"
#include "support/TempDir.h"
#include "ui/BackgroundCall.h"
#include "words/WordTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace custodia::test {
namespace {

// The list every test starts from: anna's full name changes, bob stays as he is, carl is new; line 5
// names a group the login path lacks and line 6 names carl a second time.
const char kListWithBadLines[] = "name,full name,group,password\r\n"
                                 "anna,Anna Berg,7,a\r\n"
                                 "bob,Bob,0,b\r\n"
                                 "carl,Carl,0,secret1\r\n"
                                 "dora,Dora,9,pw\r\n"
                                 "carl,Carl again,0,secret2\r\n";

// Its first four lines alone: a good list.
const char kGoodList[] = "name,full name,group,password\r\n"
                         "anna,Anna Berg,7,a\r\n"
                         "bob,Bob,0,b\r\n"
                         "carl,Carl,0,secret1\r\n";

// A login path with groups 0 and 7 and the users anna and bob.
class ImportUsersDialogTest : public ::testing::Test {
protected:
    ImportUsersDialogTest()
        : m_cwd(m_dir.path())
        , m_words(std::string(CUSTODIA_OUTPUT_DIR))
    {
        m_words.LoadWordFiles(ConsoleWordFamilies());
        const auto noRights = [](int, std::span<unsigned char>) {};
        EXPECT_TRUE(Service().ChangeGroup(0, "Staff", SaveMode::CreateOnly, noRights));
        EXPECT_TRUE(Service().ChangeGroup(7, "Readers", SaveMode::CreateOnly, noRights));
        Save("anna", "Anna", 7, "a");
        Save("bob", "Bob", 0, "b");
    }

    AccountService Service() const { return AccountService(NativePath(m_dir.path())); }

    void Save(const std::string& name, const std::string& fullName, uint8_t group, const std::string& password) const
    {
        ASSERT_TRUE(Service().SaveUser(name, SaveMode::CreateOnly, [&](UserEntry& entry) {
            entry.user.fullName = fullName;
            entry.user.groupNumber = group;
            entry.user.password = password;
        }));
    }

    std::vector<std::string> UserNames() const
    {
        std::vector<std::string> names;
        const Result<std::vector<UserEntry>> users = Service().LoadUsers();
        EXPECT_TRUE(users);
        for (const UserEntry& entry : users ? *users : std::vector<UserEntry>())
            names.push_back(entry.user.userName);
        return names;
    }

    std::unique_ptr<CImportUsersDialog> Open(const char* list, UserImportOptions options = {})
    {
        WriteText(m_dir.file("list.csv"), list);
        auto dialog = std::make_unique<CImportUsersDialog>(m_words, m_ui, NativePath(m_dir.path()), TrailOptions {});
        dialog->SetOptions(options);
        dialog->SetListFile(QString::fromStdString(m_dir.file("list.csv")));
        return dialog;
    }

    static UserImportOptions Replacing()
    {
        UserImportOptions options;
        options.existing = ExistingUser::Replace;
        return options;
    }

    // Every text the preview shows, cell by cell.
    static QStringList Cells(const UserImportTableModel& model)
    {
        QStringList cells;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                cells.push_back(model.index(row, column).data().toString());
        return cells;
    }

    std::string TesselPwd() const { return m_dir.file("tessel.pwd"); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd; // the error log of the waits goes here
    WordTable m_words;
    FakeUiServices m_ui;
};

TEST_F(ImportUsersDialogTest, ThePreviewCountsEachActionAndNamesEveryBadLine)
{
    const auto before = ReadBytes(TesselPwd());
    const auto dialog = Open(kListWithBadLines, Replacing());
    const UserImportTableModel& model = dialog->PreviewModel();
    const UserImportPlan& plan = model.Plan();
    EXPECT_EQ(plan.adds.size(), 1u);
    EXPECT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.leaves.size(), 1u);
    ASSERT_EQ(plan.problems.size(), 2u);
    EXPECT_FALSE(dialog->CanApply()) << "bad lines block Apply";

    // Bad lines come first, in line order, with their numbers and reasons.
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.index(0, UserImportTableModel::Line).data().toInt(), 5);
    EXPECT_EQ(model.index(1, UserImportTableModel::Line).data().toInt(), 6);
    for (int row : { 0, 1 }) {
        EXPECT_EQ(model.KindAt(row), UserImportTableModel::RowKind::Bad);
        EXPECT_FALSE(model.index(row, UserImportTableModel::Details).data().toString().isEmpty());
    }
    EXPECT_EQ(model.index(2, UserImportTableModel::User).data().toString(), "carl");
    EXPECT_EQ(model.index(3, UserImportTableModel::Details).data().toString(), "full name");
    EXPECT_TRUE(dialog->SummaryText().contains("2 bad lines")) << dialog->SummaryText().toStdString();

    // The passwords of the list are named as a field, never shown.
    for (const QString& cell : Cells(model))
        for (const char* secret : { "secret1", "secret2" })
            EXPECT_FALSE(cell.contains(secret)) << cell.toStdString();
    EXPECT_EQ(ReadBytes(TesselPwd()), before) << "a preview writes nothing";
}

TEST_F(ImportUsersDialogTest, TheOptionsChangeThePreview)
{
    const auto dialog = Open(kGoodList);
    EXPECT_EQ(dialog->PreviewModel().Plan().problems.size(), 2u) << "anna and bob are refused without an option";

    UserImportOptions options;
    options.existing = ExistingUser::Skip;
    options.deleteMissing = true;
    dialog->SetOptions(options);
    const UserImportPlan& plan = dialog->PreviewModel().Plan();
    EXPECT_TRUE(plan.IsGood());
    EXPECT_EQ(plan.adds.size(), 1u);
    EXPECT_EQ(plan.leaves.size(), 2u);
    EXPECT_TRUE(plan.deletes.empty());
    EXPECT_TRUE(dialog->CanApply());
}

TEST_F(ImportUsersDialogTest, ApplyWritesThePreviewedChangesAndTellsWhatItDid)
{
    const auto dialog = Open(kGoodList, Replacing());
    ASSERT_TRUE(dialog->CanApply());
    dialog->Apply();

    EXPECT_EQ(dialog->LastOutcome(), CImportUsersDialog::Outcome::Applied);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const auto users = *Service().LoadUsers();
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].user.fullName, "Anna Berg");
    EXPECT_EQ(users[2].user.userName, "carl");
    EXPECT_EQ(users[2].user.password, "secret1");
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains("added 1, changed 1, left 1 and deleted 0"))
        << m_ui.messages[0].text.toStdString();
}

TEST_F(ImportUsersDialogTest, EnterInTheFileFieldPreviewsAndNeverApplies)
{
    WriteText(m_dir.file("list.csv"), kGoodList);
    const auto before = ReadBytes(TesselPwd());
    CImportUsersDialog dialog(m_words, m_ui, NativePath(m_dir.path()), TrailOptions {});
    dialog.SetOptions(Replacing());
    dialog.show();
    auto* field = dialog.findChild<QLineEdit*>("importFile");
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(m_dir.file("list.csv")));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);

    EXPECT_EQ(dialog.PreviewModel().Plan().adds.size(), 1u);
    EXPECT_TRUE(dialog.CanApply());
    EXPECT_EQ(dialog.LastOutcome(), CImportUsersDialog::Outcome::None);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ReadBytes(TesselPwd()), before);
}

TEST_F(ImportUsersDialogTest, CancelWhileTheFileIsHeldLeavesItByteForByte)
{
    const auto dialog = Open(kGoodList, Replacing());
    const auto before = ReadBytes(TesselPwd());
    SharedFile holder; // another program holds the users' file
    ASSERT_TRUE(
        holder.OpenWithRetry(TesselPwd(), openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));
    // The first wait for the file clicks Cancel on the window's thread, as a supervisor would, and goes on
    // once the click was taken.
    QPushButton* cancel = dialog->findChild<QPushButton*>("importCancel");
    ASSERT_NE(cancel, nullptr);
    std::atomic<bool> clicked { false };
    dialog->Calls().SetSleepFunction([&](int) {
        if (clicked.exchange(true))
            return;
        std::atomic<bool> taken { false };
        QMetaObject::invokeMethod(
            cancel,
            [&] {
                cancel->click();
                taken = true;
            },
            Qt::QueuedConnection);
        while (!taken)
            std::this_thread::yield();
    });
    dialog->Apply();

    EXPECT_TRUE(clicked);
    EXPECT_EQ(dialog->LastOutcome(), CImportUsersDialog::Outcome::Cancelled);
    EXPECT_NE(dialog->result(), QDialog::Accepted) << "the dialog stays to tell what happened";
    holder.Close();
    EXPECT_EQ(ReadBytes(TesselPwd()), before);
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_TRUE(dialog->CanApply()) << "the same list can be applied again";
}

// A user another program added after the preview would be deleted unseen: the import stops and
// shows the new preview instead.
TEST_F(ImportUsersDialogTest, UsersChangedSinceThePreviewAreNotOverwrittenUnseen)
{
    UserImportOptions options = Replacing();
    options.deleteMissing = true;
    const auto dialog = Open(kGoodList, options);
    ASSERT_TRUE(dialog->CanApply());
    Save("zed", "Zed", 0, "z");
    const auto before = ReadBytes(TesselPwd());

    dialog->Apply();
    EXPECT_EQ(dialog->LastOutcome(), CImportUsersDialog::Outcome::Refused);
    EXPECT_EQ(ReadBytes(TesselPwd()), before);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    const UserImportPlan& shown = dialog->PreviewModel().Plan();
    ASSERT_EQ(shown.deletes.size(), 1u) << "the new preview shows zed's deletion";
    EXPECT_EQ(shown.deletes[0].before.user.userName, "zed");

    dialog->Apply();
    EXPECT_EQ(dialog->LastOutcome(), CImportUsersDialog::Outcome::Applied);
    EXPECT_EQ(UserNames(), (std::vector<std::string> { "anna", "bob", "carl" }));
}

TEST_F(ImportUsersDialogTest, AListThatCannotBeReadIsSaidAndNothingCanBeApplied)
{
    auto dialog = std::make_unique<CImportUsersDialog>(m_words, m_ui, NativePath(m_dir.path()), TrailOptions {});
    dialog->SetListFile(QString::fromStdString(m_dir.file("missing.csv")));
    EXPECT_TRUE(dialog->SummaryText().contains("missing.csv")) << dialog->SummaryText().toStdString();
    EXPECT_EQ(dialog->PreviewModel().rowCount(), 0);
    EXPECT_FALSE(dialog->CanApply());

    // A quote that never ends: the line it starts on is bad, and nothing after it was read.
    WriteText(m_dir.file("broken.csv"), "name,password\nzoe,pw\n\"ann,pw\n");
    dialog->SetListFile(QString::fromStdString(m_dir.file("broken.csv")));
    const UserImportPlan& plan = dialog->PreviewModel().Plan();
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_EQ(plan.problems[0].line, 3u);
    EXPECT_FALSE(dialog->CanApply());
}

} // namespace
} // namespace custodia::test
