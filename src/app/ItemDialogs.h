#pragma once

#include "platform/NativePath.h"
#include "store/AuditTrailHold.h"
#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"
#include "ui/HistoryOpener.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace custodia {

// What the number dialog of a new group returns.
struct NewGroupChoice {
    int groupNumber = 0;
    std::string name;
};

// The number dialog of a new group. The same dialog is run again after a clash, starting from what
// was typed the time before.
class NewGroupPrompt {
public:
    virtual ~NewGroupPrompt() = default;
    // The number and name, or nothing when cancelled.
    virtual std::optional<NewGroupChoice> Run() = 0;
};

// True when another user already holds the name: the user dialog then refuses OK and stays open.
using UserNameCheck = std::function<bool(const std::string& userName)>;

// Stores the user the dialog edited while the dialog is still open, with the dialog as the parent of
// any message: true when the dialog may close, false keeps it open with the edits.
using UserSaver = std::function<bool(QWidget* dialog, const UserEntry& edited)>;

// Asked by the group dialog before it saves its own group: whether the save may go on, given whether
// the group keeps the console's own right. The dialog is the parent of any question.
using GroupSaveCheck = std::function<bool(QWidget* dialog, bool keepsConsoleRight)>;

// The dialogs the create and edit commands open. Each edits what it is given only when it returns
// true (OK); a cancelled dialog leaves everything as it was.
class ItemDialogs {
public:
    virtual ~ItemDialogs() = default;

    // The user properties dialog, over a new (all empty) or an existing user.
    virtual bool EditUser(QWidget* parent, UserEntry& user, const std::vector<GroupEntry>& groups,
        const DatabaseList& databases, const UserNameCheck& isNameTaken)
        = 0;
    // The save the next user dialogs run on OK; none by default: the command then saves once the
    // dialog has closed.
    virtual void SetUserSaver(UserSaver saver) { (void)saver; }
    // Null when there is no such dialog.
    virtual std::unique_ptr<NewGroupPrompt> MakeNewGroupPrompt(QWidget* parent, const NativePath& loginPath) = 0;
    // The group properties dialog; it writes the group into the profile files itself.
    virtual bool EditGroup(QWidget* parent, const NativePath& loginPath, const GroupEntry& group) = 0;
    // The check the next group dialogs run before saving; none by default.
    virtual void SetGroupSaveCheck(GroupSaveCheck check) { (void)check; }
    // Called by the next group dialogs after every save of theirs; nothing by default.
    virtual void SetGroupsSavedHandler(std::function<void()> saved) { (void)saved; }
    // Who the dialogs' changes name in the trail.
    virtual void SetTrailOptions(TrailOptions trail) { (void)trail; }
    // How the next user and group dialogs open the history of what they edit; none by default.
    virtual void SetHistoryOpener(HistoryOpener opener) { (void)opener; }
    // The database path dialog for one slot of the image.
    virtual bool EditDatabasePath(QWidget* parent, DatabaseList& databases, int slot) = 0;
    // The add-login-path dialog: the path chosen, or nothing when cancelled.
    virtual std::optional<NativePath> AskLoginPath(QWidget* parent) = 0;
};

} // namespace custodia
