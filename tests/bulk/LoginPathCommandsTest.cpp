#include "app/LoginPathCommands.h"
#include "app/MainWindowFixture.h"
#include "bulk/UserListFile.h"
#include "store/AccountService.h"

#include <QLineEdit>

namespace custodia::test {
namespace {

// A managed login path with three users of group 0, shown in the main window.
class LoginPathCommandsTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        m_path = MakeLoginPath("north");
        const AccountService service { NativePath(m_path) };
        ASSERT_TRUE(service.ChangeGroup(0, "Staff", SaveMode::CreateOnly, [](int, std::span<unsigned char>) {}));
        for (const char* name : { "anna", "bob", "carl" })
            ASSERT_TRUE(service.SaveUser(name, SaveMode::CreateOnly, [&](UserEntry& entry) {
                entry.user.fullName = std::string("Full ") + name;
                entry.user.password = "secret";
            }));
        OpenWindow();
        Select(CategoryItem(0, LoginPathCategory::Users));
        ASSERT_EQ(Rows(), 3);
    }

    LoginPathCommands& Commands() const { return m_frame->LoginPaths(); }

    std::string m_path;
};

TEST_F(LoginPathCommandsTest, TheCommandsActOnTheSelectedLoginPath)
{
    ASSERT_TRUE(Commands().TargetLoginPath().has_value());
    EXPECT_EQ(Commands().TargetLoginPath()->Bytes(), m_path);
    Select(Tree().RootItem());
    EXPECT_FALSE(Commands().TargetLoginPath().has_value()) << "the root is no login path";
    emit Commands().Menu().aboutToShow();
    EXPECT_FALSE(Commands().Menu().findChild<QAction*>("importUsers")->isEnabled());
}

TEST_F(LoginPathCommandsTest, TheShownListIsExportedAsShownWithItsFilter)
{
    View().FilterBox().setText("bo");
    ASSERT_EQ(Rows(), 1);
    const std::string file = m_dir.file("shown.csv");
    m_ui.files = { QString::fromStdString(file) };
    ASSERT_TRUE(Commands().ExportShownList());

    const std::string text = ReadText(file);
    std::vector<ImportProblem> problems;
    const std::vector<ImportLine> lines = ImportLinesOf(text, delimited::Format::Csv, problems);
    ASSERT_EQ(lines.size(), 2u) << text;
    ASSERT_EQ(lines[0].fields.size(), static_cast<size_t>(Columns()));
    for (int column = 0; column < Columns(); ++column) {
        EXPECT_EQ(lines[0].fields[static_cast<size_t>(column)], Header(column).toStdString());
        EXPECT_EQ(lines[1].fields[static_cast<size_t>(column)], Cell(0, column).toStdString());
    }
}

TEST_F(LoginPathCommandsTest, ExportWritesTheUsersAsTheCommandLineDoesOrSaysWhyNot)
{
    const std::string file = m_dir.file("users.tsv");
    m_ui.files = { QString::fromStdString(file) };
    ASSERT_TRUE(Commands().ExportUsers(NativePath(m_path)));
    const AccountService service { NativePath(m_path) };
    EXPECT_EQ(ReadText(file), UserListText(*service.LoadUsers(), *service.LoadGroups(), delimited::Format::Tsv));
    EXPECT_EQ(ReadText(file).find("secret"), std::string::npos);
    EXPECT_TRUE(m_ui.messages.empty());

    m_ui.files = { QString::fromStdString(m_dir.file("no such folder/users.csv")) };
    EXPECT_FALSE(Commands().ExportUsers(NativePath(m_path)));
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.contains("users.csv")) << m_ui.messages[0].text.toStdString();
    EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
}

} // namespace
} // namespace custodia::test
