#pragma once

#include "app/LogonDialog.h"
#include "platform/Platform.h"
#include "store/PasswordFileStore.h"
#include "store/ProgramIndex.h"
#include "support/FakeUiServices.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace custodia::test {

// A fresh current folder, no real waits in the store's open retries, and scripted message boxes: the
// ground every log-on test stands on. Login paths and their account files are written with the
// store's own writers.
class LogonFixture : public ::testing::Test {
protected:
    LogonFixture()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    std::string MakeLoginPath(const std::string& name) const
    {
        const std::string path = m_dir.file(name);
        std::filesystem::create_directories(path);
        return path;
    }

    // A user file with a header and no records: no log-on is needed where it lies.
    static void MakeEmptyPasswordFile(const std::string& folder)
    {
        ASSERT_TRUE(PasswordFileStore(NativePath(folder)).Create());
    }

    static void AddUser(const std::string& loginPath, const std::string& name, const std::string& password,
        int groupNumber, const std::string& fullName = "Full name")
    {
        const UserRecord user { 1, 0x5, name, fullName, "Description", password, static_cast<uint8_t>(groupNumber) };
        ASSERT_TRUE(StoreUser(loginPath, user));
    }

    // A group granted every right of every program, but for the console's own right when told so.
    static void AddGroup(const std::string& loginPath, int number, bool consoleRight)
    {
        ASSERT_TRUE(StoreGroup(
            loginPath, number, "Group " + std::to_string(number), [&](int program, std::span<unsigned char> rights) {
                std::fill(rights.begin(), rights.end(), 1);
                if (program == kProgramCustodia)
                    rights[kConsoleRightPosition] = consoleRight ? 1 : 0;
            }));
    }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    FakeUiServices m_ui;
};

// The log-on dialog on screen, or null.
inline LogonDialog* VisibleLogonDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<LogonDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Runs the step once the log-on dialog is on screen, inside its own event loop; a dialog that never
// shows fails the test and leaves the step undone.
inline void WhenLogonDialogShows(std::function<void(LogonDialog&)> step)
{
    QTimer::singleShot(0, [step = std::move(step)] {
        LogonDialog* dialog = nullptr;
        const bool shown = QTest::qWaitFor([&] { return (dialog = VisibleLogonDialog()) != nullptr; }, 5000);
        EXPECT_TRUE(shown) << "the log-on dialog never showed";
        if (shown)
            step(*dialog);
    });
}

} // namespace custodia::test
