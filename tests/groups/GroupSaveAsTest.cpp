#include "GroupDialogFixture.h"
#include "ModalScript.h"

#include "groups/CSaveProfileAsDialog.h"

#include <QComboBox>

#include <algorithm>

namespace custodia::test {
namespace {

class GroupSaveAsTest : public GroupDialogFixture {
protected:
    GroupSaveAsTest()
        : m_south(MakeLoginPath("south"))
    {
    }

    // Fills the save-as dialog and presses its Save button.
    static ModalScript::Action SaveAs(int pathIndex, const QString& number, const QString& name)
    {
        return [=](QWidget* dialog) {
            Find<QComboBox>(*dialog, "pathBox")->setCurrentIndex(pathIndex);
            Find<QLineEdit>(*dialog, "numberEdit")->setText(number);
            Find<QLineEdit>(*dialog, "nameEdit")->setText(name);
            Press(*dialog, "okButton");
        };
    }
    static ModalScript::Action PressQueued(const char* button)
    {
        return [button](QWidget* dialog) {
            QMetaObject::invokeMethod(Find<QPushButton>(*dialog, button), "click", Qt::QueuedConnection);
        };
    }

    std::vector<std::string> Managed() const { return { m_path, m_south }; }

    std::string m_south;
};

constexpr const char* kGroupDialog = "custodia::CGroupPropertiesDlg";
constexpr const char* kSaveAsDialog = "custodia::CSaveProfileAsDialog";

// The copy goes elsewhere and the dialog stays open; the later Save still writes the dialog's own
// group, with the ticks and name as they then stand.
TEST_F(GroupSaveAsTest, SaveAsCopiesElsewhereAndALaterSaveWritesTheDialogsOwnGroup)
{
    WriteGroup(m_path, kProgramSetup, 3, "Fitters", { { 22, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" }, Managed());
    Tick(*dialog, 5, 0);
    ModalScript script;
    script.Then(kGroupDialog, PressQueued("saveAsButton"))
        .Then(kSaveAsDialog, SaveAs(1, "12", "Fitters South"))
        .Then(kGroupDialog,
            [&](QWidget*) {
                EXPECT_EQ(m_groupsSaved, 1) << "the list is reloaded while the dialog stays open";
                Tick(*dialog, 12, 0);
                Find<QLineEdit>(*dialog, "nameEdit")->setText("Fitters North");
            })
        .Then(kGroupDialog, PressQueued("saveAsButton"))
        .Then(kSaveAsDialog, SaveAs(0, "4", "Fitters Copy"))
        .Then(kGroupDialog, [](QWidget* shown) { Press(*shown, "saveButton"); });
    EXPECT_EQ(dialog->exec(), QDialog::Accepted);
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(m_ui.messages.empty()) << "no group had those numbers";

    const std::optional<GroupRecord> copy = StoredGroup(m_south, kProgramSetup, 12);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->name, "Fitters South");
    EXPECT_EQ(copy->rights[22], 1);
    EXPECT_EQ(StoredGroup(m_south, kProgramView, 12)->rights[0], 1);
    EXPECT_EQ(StoredGroup(m_south, kProgramCustodia, 12)->rights[0], 0) << "ticked after the copy";
    EXPECT_EQ(StoredGroup(m_path, kProgramSetup, 4)->name, "Fitters Copy");
    EXPECT_EQ(StoredGroup(m_path, kProgramCustodia, 4)->rights[0], 1);

    const std::optional<GroupRecord> own = StoredGroup(m_path, kProgramCustodia, 3);
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(own->name, "Fitters North");
    EXPECT_EQ(own->rights[0], 1);
    EXPECT_EQ(m_groupsSaved, 3);
}

TEST_F(GroupSaveAsTest, CancelAfterSaveAsKeepsTheCopyAndWritesNothingMore)
{
    const auto dialog = OpenDialog(GroupEntry { 9, "Draft", "" }, Managed());
    Tick(*dialog, 0, 0);
    ModalScript script;
    script.Then(kGroupDialog, PressQueued("saveAsButton"))
        .Then(kSaveAsDialog, SaveAs(1, "9", "Draft"))
        .Then(kGroupDialog, [](QWidget* shown) { Press(*shown, "cancelButton"); });
    EXPECT_EQ(dialog->exec(), QDialog::Rejected);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(StoredGroup(m_south, kProgramSetup, 9)->rights[22], 1);
    for (int program = 0; program < kProgramCount; ++program)
        EXPECT_FALSE(std::filesystem::exists(ProfileFile(m_path, program))) << program;
}

// Replacing a group of the chosen number is asked first, naming it; declining returns to the save-as
// dialog with what was entered.
TEST_F(GroupSaveAsTest, SaveAsOntoAnExistingGroupAsksFirstAndNoGoesBack)
{
    WriteGroup(m_south, kProgramSetup, 12, "Electricians", { { 0, 1 } });
    WriteGroup(m_south, kProgramView, 12, "Electricians", { { 5, 1 } });
    const auto dialog = OpenDialog(GroupEntry { 3, "Fitters", "" }, Managed());
    m_ui.answers = { UiServices::Answer::Cancel, UiServices::Answer::Ok };
    ModalScript script;
    script.Then(kGroupDialog, PressQueued("saveAsButton"))
        .Then(kSaveAsDialog, SaveAs(1, "12", "Fitters"))
        .Then(kSaveAsDialog,
            [&](QWidget* saveAs) {
                ASSERT_EQ(m_ui.messages.size(), 1u);
                EXPECT_EQ(m_ui.messages[0].text, W(WordNumber(Word::ReplaceGroupPrompt)) + "\n\n  012 Electricians\n");
                EXPECT_EQ(m_ui.messages[0].caption, W(WordNumber(Word::ReplaceGroupCaption)));
                EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Warning);
                EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::OkCancelDefaultCancel);
                EXPECT_EQ(StoredGroup(m_south, kProgramSetup, 12)->name, "Electricians");
                EXPECT_EQ(Find<QLineEdit>(*saveAs, "numberEdit")->text(), "12");
                EXPECT_EQ(Find<QComboBox>(*saveAs, "pathBox")->currentIndex(), 1);
                Press(*saveAs, "okButton");
            })
        .Then(kGroupDialog, [](QWidget* shown) { Press(*shown, "cancelButton"); });
    dialog->exec();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(StoredGroup(m_south, kProgramSetup, 12)->name, "Fitters");
    EXPECT_EQ(StoredGroup(m_south, kProgramView, 12)->rights[5], 0);
}

TEST_F(GroupSaveAsTest, SaveAsDialogListsTheManagedPathsAndSelectsTheExactMatch)
{
    const std::vector<std::string> paths { "/srv/p1", "/srv/P2", "/srv/p3" };
    const CSaveProfileAsDialog exact(*m_words, m_ui, "/srv/P2", paths, nullptr);
    const auto* box = Find<QComboBox>(exact, "pathBox");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), "/srv/p1");
    EXPECT_EQ(box->itemText(2), "/srv/p3");
    EXPECT_FALSE(box->itemIcon(0).isNull());
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(exact.windowTitle(), W(848));

    const CSaveProfileAsDialog otherCase(*m_words, m_ui, "/srv/p2", paths, nullptr);
    EXPECT_EQ(Find<QComboBox>(otherCase, "pathBox")->currentIndex(), 0);
}

struct FailureCase {
    const char* name;
    std::vector<int> brokenPrograms; // their profile files are folders, which cannot be written
    bool fullDisk; // "setup.prf" is a link to a full device, which is refused with its cause named
    int summaryWord;
};

class GroupSaveFailureTest : public GroupDialogFixture, public ::testing::WithParamInterface<FailureCase> { };

// A save that fails writes none of the files, names the one that failed, keeps the dialog open with its
// ticks, and a later Save succeeds.
TEST_P(GroupSaveFailureTest, FailedSaveNamesTheFilesAndKeepsTheDialogOpen)
{
    const FailureCase& failure = GetParam();
    for (int program : failure.brokenPrograms)
        std::filesystem::create_directory(ProfileFile(m_path, program));
    if (failure.fullDisk)
        std::filesystem::create_symlink("/dev/full", ProfileFile(m_path, kProgramSetup));
    const auto dialog = OpenDialog(GroupEntry { 9, "Night", "" });
    dialog->show();
    Tick(*dialog, 5, 3);
    Press(*dialog, "saveButton");

    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    const FakeUiServices::Message& message = m_ui.messages[0];
    EXPECT_TRUE(message.text.startsWith(W(failure.summaryWord))) << message.text.toStdString();
    EXPECT_TRUE(message.text.endsWith(W(WordNumber(Word::GroupSaveRetryHint)))) << message.text.toStdString();
    EXPECT_EQ(message.caption, W(851));
    EXPECT_EQ(message.icon, UiServices::Icon::Critical);
    // A save is all or nothing: it stops at the first file that cannot be written and names it.
    if (!failure.brokenPrograms.empty()) {
        const std::string first = ProfileFile(m_path, failure.brokenPrograms.front());
        EXPECT_TRUE(message.text.contains(QString::fromStdString(first))) << message.text.toStdString();
    }
    if (failure.fullDisk) {
        EXPECT_TRUE(message.text.contains(QString::fromStdString(ProfileFile(m_path, kProgramSetup)) + " ("))
            << message.text.toStdString();
    }
    EXPECT_TRUE(Ticked(*dialog, 5, 3));
    EXPECT_EQ(m_groupsSaved, 1) << "the list shows what did get written";

    for (int program : failure.brokenPrograms)
        std::filesystem::remove(ProfileFile(m_path, program));
    std::filesystem::remove(ProfileFile(m_path, kProgramSetup));
    Press(*dialog, "saveButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_ui.messages.size(), 1u);
    for (int program = 0; program < kProgramCount; ++program)
        EXPECT_EQ(StoredGroup(m_path, program, 9)->name, "Night") << program;
    EXPECT_EQ(StoredGroup(m_path, kProgramView, 9)->rights[3], 1);
}

std::vector<int> AllPrograms()
{
    std::vector<int> programs;
    for (int program = 0; program < kProgramCount; ++program)
        programs.push_back(program);
    return programs;
}

INSTANTIATE_TEST_SUITE_P(Failures, GroupSaveFailureTest,
    ::testing::Values(FailureCase { "OneFile", { kProgramView }, false, WordNumber(Word::GroupNotSaved) },
        FailureCase { "EveryFile", AllPrograms(), false, WordNumber(Word::GroupNotSaved) },
        FailureCase { "DiskFullPartWay", {}, true, WordNumber(Word::GroupNotSaved) }),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace custodia::test
