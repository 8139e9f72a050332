#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>

// Test discovery runs this binary at build time, outside CTest's environment, so it picks the
// offscreen platform itself when none is set.
int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // Settings the windows remember go to a test folder, never into the user's own.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
