#pragma once

#include "app/ItemDialogs.h"

class UiServices;

namespace custodia {

class BackgroundCall;
class CCustodiaDoc;
class WordTable;

// The console's own dialogs behind the create and edit commands: the user, database path and
// add-login-path dialogs of src/users and the group dialogs of src/groups.
class ConsoleItemDialogs final : public ItemDialogs {
public:
    // The document lists the login paths a copy of a group can be saved into; the group dialog reads
    // and writes through the calls.
    ConsoleItemDialogs(const WordTable& words, UiServices& ui, CCustodiaDoc& doc, BackgroundCall* calls = nullptr);

    bool EditUser(QWidget* parent, UserEntry& user, const std::vector<GroupEntry>& groups,
        const DatabaseList& databases, const UserNameCheck& isNameTaken) override;
    void SetUserSaver(UserSaver saver) override { m_userSaver = std::move(saver); }
    bool EditDatabasePath(QWidget* parent, DatabaseList& databases, int slot) override;
    std::optional<NativePath> AskLoginPath(QWidget* parent) override;

    std::unique_ptr<NewGroupPrompt> MakeNewGroupPrompt(QWidget* parent, const NativePath& loginPath) override;
    bool EditGroup(QWidget* parent, const NativePath& loginPath, const GroupEntry& group) override;
    void SetGroupSaveCheck(GroupSaveCheck check) override { m_groupSaveCheck = std::move(check); }
    void SetGroupsSavedHandler(std::function<void()> saved) override { m_groupsSaved = std::move(saved); }
    void SetTrailOptions(TrailOptions trail) override { m_trail = std::move(trail); }
    void SetHistoryOpener(HistoryOpener opener) override { m_historyOpener = std::move(opener); }

private:
    const WordTable& m_words;
    UiServices& m_ui;
    CCustodiaDoc& m_doc;
    BackgroundCall* m_calls;
    UserSaver m_userSaver;
    GroupSaveCheck m_groupSaveCheck;
    std::function<void()> m_groupsSaved;
    TrailOptions m_trail = ProcessTrailOptions();
    HistoryOpener m_historyOpener;
};

} // namespace custodia
