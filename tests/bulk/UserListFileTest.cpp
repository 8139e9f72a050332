#include "bulk/UserListFile.h"
#include "store/UserColumns.h"

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

TEST(UserListFileTest, TheFileNameSaysTheFormat)
{
    const struct {
        const char* name;
        delimited::Format format;
    } cases[] = {
        { "users.csv", delimited::Format::Csv },
        { "users.TSV", delimited::Format::Tsv },
        { "users.tab", delimited::Format::Tsv },
        { "users", delimited::Format::Csv },
        { "/lists.tsv/users", delimited::Format::Csv }, // a folder's dot is no extension of the file
        { "users.txt", delimited::Format::Csv },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListFormatOfFileName(c.name), c.format) << c.name;
}

TEST(UserListFileTest, AnExportedListReadsBackIntoTheSameFields)
{
    UserEntry anna;
    anna.user = UserRecord { 1, 5, "anna", "Anna \"Nan\" Berg", "day,\nlate", "secret", 7 };
    anna.access.SetOfficeSelectionEnabled(0, true);
    anna.access.SetOfficeAllowed(0, 3, true);
    const std::vector<GroupEntry> groups = { { 7, "Readers, night", "" } };
    for (const delimited::Format format : { delimited::Format::Csv, delimited::Format::Tsv }) {
        const std::string text = UserListText({ anna }, groups, format);
        EXPECT_EQ(text.find("secret"), std::string::npos) << "passwords are never written";
        std::vector<ImportProblem> problems;
        const std::vector<ImportLine> lines = ImportLinesOf(text, format, problems);
        EXPECT_TRUE(problems.empty());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1].fields, ExportedUserFields(anna, GroupNamesByNumber(groups)));
    }
}

} // namespace
} // namespace custodia::test
