#include "bulk/CShareCheckDialog.h"
#include "support/TempDir.h"
#include "words/WordTable.h"

#include <QTableWidget>

#include <gtest/gtest.h>

#include <dirent.h>

namespace custodia::test {
namespace {

TEST(ShareCheckDialogTest, ShowsEveryFindingOfALocalFolderAndItsVerdict)
{
    TempDir dir;
    WordTable words(std::string(CUSTODIA_OUTPUT_DIR));
    words.LoadWordFiles(ConsoleWordFamilies());
    CShareCheckDialog dialog(words, NativePath(dir.path()));
    dialog.Check();

    ASSERT_TRUE(dialog.Report().has_value());
    const ShareReport& report = *dialog.Report();
    const QTableWidget& rows = dialog.Findings();
    ASSERT_EQ(rows.rowCount(), static_cast<int>(report.findings.size()));
    ASSERT_GT(rows.rowCount(), 0);
    for (int row = 0; row < rows.rowCount(); ++row) {
        const ShareFinding& finding = report.findings[static_cast<size_t>(row)];
        EXPECT_EQ(rows.item(row, 0)->text().toStdString(), finding.topic);
        EXPECT_EQ(rows.item(row, 2)->text().toStdString(), finding.text);
    }
    // A folder of this machine's own disk is one the suite can share.
    EXPECT_FALSE(report.IsUnsafe());
    EXPECT_EQ(dialog.VerdictText().toStdString(), words.GetWord(static_cast<int>(Word::ShareSafeVerdict)));
    // The probe file is gone again.
    DIR* folder = ::opendir(dir.path().c_str());
    ASSERT_NE(folder, nullptr);
    int entries = 0;
    while (::readdir(folder) != nullptr)
        ++entries;
    ::closedir(folder);
    EXPECT_EQ(entries, 2) << "only . and ..";

    // A folder that is not there is unsafe, and the verdict says so.
    CShareCheckDialog missing(words, NativePath(dir.file("gone")));
    missing.Check();
    ASSERT_TRUE(missing.Report().has_value());
    EXPECT_TRUE(missing.Report()->IsUnsafe());
    EXPECT_EQ(missing.VerdictText().toStdString(), words.GetWord(static_cast<int>(Word::ShareUnsafeVerdict)));
}

} // namespace
} // namespace custodia::test
