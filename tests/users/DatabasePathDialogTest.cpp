#include "UserDialogFixture.h"

#include "users/CUpdateDatabasePathDialog.h"

namespace custodia::test {
namespace {

class DatabasePathDialogTest : public UserDialogFixture {
protected:
    DatabasePathDialogTest()
    {
        m_databases.SetPath(3, "/data/north");
        m_databases.SetMirrorPath(3, "/mirror/north");
        m_databases.SetMirrorOn(3, true);
        m_databases.SetDescription(3, "North");
    }

    CUpdateDatabasePathDialog& Open(int slot = 3)
    {
        m_dialog = std::make_unique<CUpdateDatabasePathDialog>(*m_words, m_ui, m_databases, slot);
        m_dialog->show();
        return *m_dialog;
    }
    QLineEdit& Field(const char* name) const { return Child<QLineEdit>(*m_dialog, name); }
    QCheckBox& MirrorSwitch() const { return Child<QCheckBox>(*m_dialog, "mirrorSwitch"); }
    QPushButton& Button(const char* name) const { return Child<QPushButton>(*m_dialog, name); }

    DatabaseList m_databases;
    std::unique_ptr<CUpdateDatabasePathDialog> m_dialog;
};

TEST_F(DatabasePathDialogTest, ShowsTheSlotNumberedFromOneAndItsFields)
{
    Open();
    EXPECT_EQ(m_dialog->windowTitle(), W(Word::DatabasePathTitle) + " 04");
    EXPECT_EQ(Field("path").text(), "/data/north");
    EXPECT_EQ(Field("mirrorPath").text(), "/mirror/north");
    EXPECT_EQ(Field("description").text(), "North");
    EXPECT_TRUE(MirrorSwitch().isChecked());
    EXPECT_FALSE(Field("path").accessibleName().isEmpty());
    EXPECT_FALSE(Field("mirrorPath").accessibleName().isEmpty());
}

TEST_F(DatabasePathDialogTest, FieldsTakeNoMoreThanTheEditingLimits)
{
    Open();
    const std::pair<const char*, int> limits[] = { { "path", 128 }, { "mirrorPath", 128 }, { "description", 50 } };
    for (const auto& [name, limit] : limits) {
        SCOPED_TRACE(name);
        Field(name).clear();
        QTest::keyClicks(&Field(name), QString(limit + 5, QLatin1Char('d')));
        EXPECT_EQ(ToStoredText(Field(name).text())->size(), static_cast<size_t>(limit));
    }
}

TEST_F(DatabasePathDialogTest, MirrorSwitchOffGreysTheMirrorPathWhichIsStillSaved)
{
    Open();
    MirrorSwitch().click();
    EXPECT_FALSE(Field("mirrorPath").isEnabled());
    EXPECT_FALSE(Button("mirrorBrowse").isEnabled());
    m_dialog->accept();
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(m_databases.IsMirrorOn(3));
    EXPECT_EQ(m_databases.GetMirrorPath(3), "/mirror/north");
}

TEST_F(DatabasePathDialogTest, SlotIsWrittenOnlyAtOk)
{
    const DatabaseList before = m_databases;
    Open();
    QTest::keyClicks(&Field("description"), " and South");
    Field("path").setText("/data/south");
    EXPECT_EQ(m_databases.GetImage(), before.GetImage());
    m_dialog->reject();
    EXPECT_EQ(m_databases.GetImage(), before.GetImage());

    Open();
    QTest::keyClicks(&Field("description"), " and South");
    m_dialog->accept();
    EXPECT_EQ(m_databases.GetDescription(3), "North and South");
    EXPECT_EQ(m_databases.GetPath(3), "/data/north");
    EXPECT_TRUE(m_databases.IsSlotEmpty(2));
}

TEST_F(DatabasePathDialogTest, BrowseKeepsTheFolderOfALoggerDatabaseAndAnyOtherFileWhole)
{
    Open();
    m_ui.files = { "/D/Site1/LOGGERDB.000", "/D/Site2/other.dat" };
    Button("browse").click();
    EXPECT_EQ(Field("path").text(), "/D/Site1") << "found in any letter case, kept in its own";
    ASSERT_EQ(m_ui.pickers.size(), 1u);
    EXPECT_EQ(m_ui.pickers[0].start, "/data/north/loggerdb.000");
    EXPECT_EQ(m_ui.pickers[0].filter, "Tessel Database (loggerdb.000)");

    Button("mirrorBrowse").click();
    EXPECT_EQ(Field("mirrorPath").text(), "/D/Site2/other.dat");
    Button("browse").click(); // cancelled
    EXPECT_EQ(Field("path").text(), "/D/Site1");

    Field("path").clear();
    Button("browse").click();
    EXPECT_EQ(m_ui.pickers.back().start, "loggerdb.000");
}

TEST_F(DatabasePathDialogTest, BrowsedPathLongerThanTheLimitIsRefusedNotCut)
{
    Open();
    const QString longFolder = "/" + QString(140, QLatin1Char('p'));
    m_ui.files = { longFolder + "/loggerdb.000" };
    Button("browse").click();
    m_dialog->accept();
    ExpectOneMessage(Word::TextTooLong, Word::CheckYourInputCaption);
    EXPECT_NE(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_databases.GetPath(3), "/data/north");
}

} // namespace
} // namespace custodia::test
