#include "app/ConsoleManual.h"

#include <gtest/gtest.h>

#include <sstream>

namespace custodia {
namespace {

std::string Text(const InstalledLayout& layout)
{
    std::ostringstream out;
    manual::WriteText(out, ConsoleManualPage(layout, "4.84"));
    return out.str();
}

// The page tells each layout where its files are: a packaged console must not send the administrator
// looking for its list of login paths beside the program, nor the other way round.
TEST(ConsoleManualTest, NamesTheFilesWhereTheLayoutKeepsThem)
{
    const std::string packaged = Text({ true, "/usr/share/custodia", "/etc/custodia" });
    EXPECT_NE(packaged.find("/etc/custodia/tessel.pwd"), std::string::npos);
    EXPECT_NE(packaged.find("$XDG_CONFIG_HOME/custodia/custo.cfg"), std::string::npos);
    EXPECT_NE(packaged.find("/usr/share/custodia/gnrlword.eng"), std::string::npos);

    const std::string own = Text({});
    EXPECT_EQ(own.find("/etc/custodia"), std::string::npos);
    EXPECT_EQ(own.find("XDG_CONFIG_HOME"), std::string::npos);
    EXPECT_NE(own.find("its own folder"), std::string::npos);
}

TEST(ConsoleManualTest, HelpNamesTheLogonArguments)
{
    const std::string help = Text({});
    EXPECT_EQ(help.rfind("usage: custodia [username=NAME] [password=PASSWORD]\n       custodia --help\n", 0), 0u);
    EXPECT_NE(help.find("  password=PASSWORD\n"), std::string::npos);
}

} // namespace
} // namespace custodia
