#pragma once

#include "app/MainWindowFixture.h"
#include "groups/CGroupPropertiesDlg.h"
#include "groups/CGroupPropertiesTabPage.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "ui/WordText.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <map>
#include <optional>

namespace custodia::test {

// Rights bytes by position, for one program's record.
using RightBytes = std::map<int, unsigned char>;

// The record of a group in one program's profile file, if the file holds one that verifies.
inline std::optional<GroupRecord> StoredGroup(const std::string& loginPath, int program, int number)
{
    GroupRecordBytes bytes {};
    if (RecordFile().ReadRecord(loginPath + "/" + kProfileFiles[static_cast<size_t>(program)].fileName,
            grouprecord::kKind, static_cast<uint8_t>(number), bytes, true)
        != bytes.size())
        return std::nullopt;
    return GroupRecord::Decode(bytes);
}

// Login paths with profile files written as another program of the suite would write them, in a fresh
// current folder, and the group dialogs over them with the installed English words.
class GroupDialogFixture : public ::testing::Test {
protected:
    GroupDialogFixture()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
        , m_words(LoadInstalledWords())
        , m_path(MakeLoginPath("north"))
    {
    }

    QString W(int number) const { return QString::fromStdString(m_words->GetWord(number)); }

    std::string MakeLoginPath(const std::string& name) const
    {
        const std::string path = m_dir.file(name);
        std::filesystem::create_directories(path);
        return path;
    }

    static std::string ProfileFile(const std::string& loginPath, int program)
    {
        return loginPath + "/" + kProfileFiles[static_cast<size_t>(program)].fileName;
    }

    static void WriteGroup(
        const std::string& loginPath, int program, int number, const std::string& name, const RightBytes& rights = {})
    {
        GroupRecord record;
        record.name = name;
        record.description = "by another program";
        for (const auto& [position, value] : rights)
            record.rights[static_cast<size_t>(position)] = value;
        const GroupRecordBytes bytes = record.Encode();
        ASSERT_TRUE(RecordFile()
                        .WriteRecord(ProfileFile(loginPath, program), grouprecord::kKind, static_cast<uint8_t>(number),
                            bytes, true)
                        .HasValue());
    }

    std::unique_ptr<CGroupPropertiesDlg> OpenDialog(
        const GroupEntry& group, std::vector<std::string> managedPaths = {}, const std::string& loginPath = {})
    {
        auto dialog = std::make_unique<CGroupPropertiesDlg>(
            *m_words, m_ui, loginPath.empty() ? m_path : loginPath, group, std::move(managedPaths), nullptr);
        dialog->SetGroupsSavedHandler([this] { ++m_groupsSaved; });
        return dialog;
    }

    static QTreeWidgetItem* Row(const CGroupPropertiesDlg& dialog, int page, int row)
    {
        return dialog.Page(page)->List()->topLevelItem(row);
    }
    static bool Ticked(const CGroupPropertiesDlg& dialog, int page, int row)
    {
        return Row(dialog, page, row)->checkState(0) == Qt::Checked;
    }
    static void Tick(const CGroupPropertiesDlg& dialog, int page, int row, bool ticked = true)
    {
        Row(dialog, page, row)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    template <typename Widget> static Widget* Find(const QWidget& parent, const char* name)
    {
        auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // The widgets that Tab visits, in order, starting from one of them.
    static std::vector<QWidget*> TabChain(QWidget& dialog, QWidget* start)
    {
        std::vector<QWidget*> chain;
        QWidget* widget = start;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(&dialog) && widget->isEnabled())
                chain.push_back(widget);
            widget = widget->nextInFocusChain();
        } while (widget != start);
        return chain;
    }
    static void Press(const QWidget& dialog, const char* button) { Find<QPushButton>(dialog, button)->click(); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    FakeUiServices m_ui;
    std::unique_ptr<WordTable> m_words;
    std::string m_path;
    int m_groupsSaved = 0;
};

} // namespace custodia::test
