#include "MainWindowFixture.h"

#include "app/ConsoleItemDialogs.h"
#include "app/FileChangeWatcher.h"
#include "app/ItemCommands.h"
#include "history/CHistoryDialog.h"
#include "history/TrailTableModel.h"
#include "store/AuditTrail.h"
#include "store/OutsideChanges.h"
#include "users/CUserPropertiesDlg.h"

#include <QStatusBar>
#include <QTimer>

#include <filesystem>

namespace custodia::test {
namespace {

// The window over login path "north" with users ann and bob, listed once, so that the console has
// read what later reads are compared with.
class OutsideChangeWatchTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        m_path = MakeLoginPath("north");
        AddUser(m_path, "ann", "Ann", "", 0);
        AddUser(m_path, "bob", "Bob", "", 0);
        OpenWindow();
        Select(CategoryItem(0, LoginPathCategory::Users));
        ASSERT_EQ(Rows(), 2);
    }

    std::vector<TrailEntry> Trail() const
    {
        const Result<TrailCheck> trail = ReadTrail(NativePath(m_path));
        EXPECT_TRUE(trail && trail->IsSound());
        return trail ? trail->entries : std::vector<TrailEntry> {};
    }
    std::vector<std::string> OutsideObjects() const
    {
        std::vector<std::string> objects;
        for (const TrailEntry& line : Trail())
            if (line.action == kChangedOutsideAction)
                objects.push_back(line.object);
        return objects;
    }
    QString Status() const { return m_frame->statusBar()->currentMessage(); }
    static QString Start(const QString& text) { return text.section(QLatin1Char('%'), 0, 0); }

    std::string m_path;
};

TEST_F(OutsideChangeWatchTest, AUserAddedByAnotherProgramIsNotedOnceInTheTrail)
{
    AddUser(m_path, "cy", "Cy", "", 0);
    // Seen by the watcher, then read once more with a refresh that finds nothing new.
    emit m_frame->Watcher().loginPathChanged();
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(OutsideObjects(), std::vector<std::string> { "user cy" });
    EXPECT_EQ(Status(), W(772)) << "the reload is told, the note is not";
    EXPECT_EQ(Trail().back().actor.program, "console");

    m_frame->ReloadFromDisk();
    EXPECT_EQ(OutsideObjects(), std::vector<std::string> { "user cy" });
}

TEST_F(OutsideChangeWatchTest, TheConsolesOwnChangeIsNotNotedAgain)
{
    View().SelectRow(0);
    m_ui.answers = { UiServices::Answer::Ok };
    m_frame->Commands().DeleteItem();
    ASSERT_EQ(Trail().back().action, "user deleted");

    m_frame->ReloadFromDisk();
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(OutsideObjects().empty());
    EXPECT_EQ(Trail().size(), 1U);
}

// The list shows what was read; only the status bar says that the trail could not take the note.
TEST_F(OutsideChangeWatchTest, ATrailThatCannotBeWrittenIsToldInTheStatusBar)
{
    std::filesystem::create_directory(m_path + "/" + audittrail::kFileName);
    AddUser(m_path, "cy", "Cy", "", 0);
    m_frame->ReloadFromDisk();
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(Status().startsWith(Start(W(755)))) << Status().toStdString();
    EXPECT_TRUE(m_ui.messages.empty());
}

// The user dialog's History shows that user's lines only, not those of a user whose name begins alike.
TEST_F(OutsideChangeWatchTest, TheUserDialogsHistoryShowsThatUserOnly)
{
    for (const char* object : { "user ann", "user anna", "user bob", "user ann" }) {
        TrailEntry line;
        line.action = "user changed";
        line.object = object;
        ASSERT_TRUE(AppendToTrail(NativePath(m_path), line));
    }
    m_frame->SetItemDialogs(std::make_unique<ConsoleItemDialogs>(*m_words, m_ui, *m_doc, &m_frame->Calls()));
    View().SelectRow(0);
    std::vector<std::string> shown;
    bool offered = false;
    // The command may read the files first: the dialog is looked for until it is up.
    std::function<void()> answer = [&] {
        auto* dialog = qobject_cast<CUserPropertiesDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QTimer::singleShot(0, answer);
            return;
        }
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("historyButton"));
        offered = button != nullptr && button->isVisible();
        if (offered)
            button->click();
        if (const auto* history = dialog->findChild<CHistoryDialog*>()) {
            for (int row = 0; row < history->Rows().rowCount(); ++row)
                shown.push_back(history->Rows().index(row, TrailTableModel::Object).data().toString().toStdString());
        }
        dialog->reject();
    };
    QTimer::singleShot(0, answer);
    m_frame->Commands().EditItem();
    EXPECT_TRUE(offered);
    EXPECT_EQ(shown, (std::vector<std::string> { "user ann", "user ann" }));
}

} // namespace
} // namespace custodia::test
