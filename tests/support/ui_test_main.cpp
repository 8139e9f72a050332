#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

// Test discovery runs this binary at build time, outside CTest's environment, so it picks the
// offscreen platform itself when none is set.
int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // No window a test builds may read or write the settings of the person running the tests.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settingsFolder;
    for (const QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat }) {
        QSettings::setPath(format, QSettings::UserScope, settingsFolder.path());
        QSettings::setPath(format, QSettings::SystemScope, settingsFolder.path());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
