#pragma once

#include "app/ItemDialogs.h"

namespace custodia::test {

// Every dialog of the commands "cancelled", so that a test of the window that opens none runs no
// modal dialog by accident; tests that open dialogs hand in the console's own or a scripted fake.
class CancelledItemDialogs final : public ItemDialogs {
public:
    bool EditUser(
        QWidget*, UserEntry&, const std::vector<GroupEntry>&, const DatabaseList&, const UserNameCheck&) override
    {
        return false;
    }
    std::unique_ptr<NewGroupPrompt> MakeNewGroupPrompt(QWidget*, const NativePath&) override { return nullptr; }
    bool EditGroup(QWidget*, const NativePath&, const GroupEntry&) override { return false; }
    bool EditDatabasePath(QWidget*, DatabaseList&, int) override { return false; }
    std::optional<NativePath> AskLoginPath(QWidget*) override { return std::nullopt; }
};

} // namespace custodia::test
