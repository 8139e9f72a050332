#include "UserDialogFixture.h"

#include "store/PasswordFile.h"
#include "users/CAddLoginPathDialog.h"

namespace custodia::test {
namespace {

class AddLoginPathDialogTest : public UserDialogFixture {
protected:
    CAddLoginPathDialog& Open()
    {
        m_dialog = std::make_unique<CAddLoginPathDialog>(*m_words, m_ui);
        m_dialog->show();
        return *m_dialog;
    }
    QLineEdit& PathField() const { return Child<QLineEdit>(*m_dialog, "path"); }
    void Enter(const std::string& path) const { PathField().setText(QString::fromStdString(path)); }
    bool Accepted() const { return m_dialog->result() == QDialog::Accepted; }

    std::unique_ptr<CAddLoginPathDialog> m_dialog;
};

TEST_F(AddLoginPathDialogTest, MissingFolderIsCreatedWithItsParentsAndAnEmptyUserFile)
{
    Open();
    EXPECT_EQ(m_dialog->windowTitle(), W(Word::AddLoginPathTitle));
    const std::string path = m_dir.file("a/b/north");
    Enter(path + "/");
    m_dialog->accept();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(m_dialog->GetResultPath().Bytes(), std::filesystem::canonical(path).string());
    EXPECT_EQ(ReadBytes(path + "/tessel.pwd").size(), passwordfile::kHeaderSize);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(AddLoginPathDialogTest, ExistingUserFileIsLeftAsItIs)
{
    const std::string path = m_dir.file("north");
    std::filesystem::create_directories(path);
    const UserRecord ann { 0, 0, "ann", "", "", "pw", 0 };
    ASSERT_TRUE(StoreUser(path, ann));
    const auto before = ReadBytes(path + "/tessel.pwd");
    Open();
    Enter(path);
    m_dialog->accept();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(m_dialog->GetResultPath().Bytes(), path);
    EXPECT_EQ(ReadBytes(path + "/tessel.pwd"), before);
}

// Each refusal keeps the dialog open, says why, and makes nothing.
struct PathRefusal {
    const char* name;
    std::string relativePath; // under the test folder; empty for the path itself
    bool absolute;
    Word text;
};

class AddLoginPathRefusalTest : public AddLoginPathDialogTest, public ::testing::WithParamInterface<PathRefusal> { };

TEST_P(AddLoginPathRefusalTest, KeepsTheDialogOpenWithAMessage)
{
    const PathRefusal& refusal = GetParam();
    WriteText(m_dir.file("plain-file"), "not a folder");
    Open();
    Enter(refusal.absolute ? m_dir.file(refusal.relativePath) : refusal.relativePath);
    m_dialog->accept();
    EXPECT_FALSE(Accepted());
    EXPECT_TRUE(m_dialog->isVisible());
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_TRUE(m_ui.messages[0].text.startsWith(W(refusal.text))) << m_ui.messages[0].text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("new.site")));
}

const PathRefusal kPathRefusals[] = {
    { "LastNameWithADot", "new.site", true, Word::LoginPathRefused },
    { "RelativePath", "north", false, Word::LoginPathRefused },
    { "EmptyPath", "", false, Word::LoginPathRefused },
};

INSTANTIATE_TEST_SUITE_P(Cases, AddLoginPathRefusalTest, ::testing::ValuesIn(kPathRefusals),
    [](const ::testing::TestParamInfo<PathRefusal>& info) { return std::string(info.param.name); });

TEST_F(AddLoginPathDialogTest, FolderThatCannotBeMadeNamesTheCause)
{
    WriteText(m_dir.file("plain-file"), "not a folder");
    Open();
    Enter(m_dir.file("plain-file/north"));
    m_dialog->accept();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    // The level that stood in the way, with the system's own error for it.
    EXPECT_TRUE(m_ui.messages[0].text.contains(QString::fromStdString(m_dir.file("plain-file") + ": ")));
    EXPECT_TRUE(m_ui.messages[0].text.endsWith("(ENOTDIR)")) << m_ui.messages[0].text.toStdString();
}

TEST_F(AddLoginPathDialogTest, BrowseStartsAtTheTypedFolderAndCancelKeepsTheText)
{
    Open();
    Enter("/srv/typed");
    m_ui.folders = { "", "/srv/chosen" };
    QPushButton& browse = Child<QPushButton>(*m_dialog, "browse");
    browse.click();
    EXPECT_EQ(PathField().text(), "/srv/typed");
    ASSERT_EQ(m_ui.pickers.size(), 1u);
    EXPECT_EQ(m_ui.pickers[0].caption, "Select the Login Path:");
    EXPECT_EQ(m_ui.pickers[0].start, "/srv/typed");
    browse.click();
    EXPECT_EQ(PathField().text(), "/srv/chosen");
}

} // namespace
} // namespace custodia::test
