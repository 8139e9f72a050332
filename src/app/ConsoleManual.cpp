#include "app/ConsoleManual.h"

namespace custodia {

namespace {

using manual::Block;

manual::Section FilesSection(const InstalledLayout& layout)
{
    manual::Section section { "Files", {} };
    auto add = [&](std::string term, std::string text) {
        section.blocks.push_back({ Block::Kind::Term, std::move(term), std::move(text) });
    };
    if (layout.packaged) {
        section.blocks.push_back({ Block::Kind::Text, {},
            "The console reads its installed files from " + layout.dataFolder
                + " and keeps its own in the user's\n"
                  "folder, $XDG_CONFIG_HOME/custodia (~/.config/custodia when that is unset), which it makes the\n"
                  "current directory at start-up. There it links every installed file, unless the user has put a\n"
                  "file of that name there: a picture or help text of one's own replaces the installed one.\n" });
        add("$XDG_CONFIG_HOME/custodia/custo.cfg", "The login paths this user manages.\n");
        add("$XDG_CONFIG_HOME/custodia/FileErrors.txt", "One line for every shared file that could not be opened.\n");
        add(layout.configFolder + "/tessel.pwd",
            "The installation's user file. While it holds no users, the console starts without a log-on;\n"
            "once the administrator adds users to it (custodiactl users add "
                + layout.configFolder
                + " NAME), every user\n"
                  "has to log on.\n");
        add(layout.dataFolder + "/gnrlword.eng, cstdword.eng",
            "The console's texts; a translation beside them with \"default.lan\" naming its extension.\n");
        add(layout.dataFolder + "/Custodia Help.eng, techsprt.txt, splash.bmp, helpbarlogo.bmp",
            "The help bar's text, the support box's text and the pictures.\n");
        return section;
    }
    section.blocks.push_back({ Block::Kind::Text, {},
        "The console finds its files in its own folder, which it makes the current directory once it has\n"
        "read its word files there; the folder must be writable by whoever runs the console.\n" });
    add("custo.cfg", "The login paths this installation manages.\n");
    add("FileErrors.txt", "One line for every shared file that could not be opened.\n");
    add("tessel.pwd", "The installation's user file: while it holds no users, the console starts without a log-on.\n");
    add("gnrlword.eng, cstdword.eng", "The console's texts.\n");
    add("Custodia Help.eng, techsprt.txt, splash.bmp, helpbarlogo.bmp",
        "The help bar's text, the support box's text and the pictures.\n");
    return section;
}

} // namespace

manual::Page ConsoleManualPage(const InstalledLayout& layout, const std::string& version)
{
    manual::Page page;
    page.name = "custodia";
    page.summary = "the supervisor's account console of the data-logger programs";
    page.source = "Custodia " + version;
    page.synopsis = { "[username=NAME] [password=PASSWORD]", "--help" };
    page.sections.push_back({ "Description",
        { { Block::Kind::Text, {},
            "Creates and edits the users, groups, rights, database paths and offices that the suite's programs\n"
            "share in their login paths. The main window shows the managed login paths on the left and the\n"
            "items of the selected one on the right.\n" } } });
    page.sections.push_back({ "Start-up",
        { { Block::Kind::Text, {},
            "The console first reads its texts, then decides whether a log-on is needed. When the\n"
            "installation's user file \"tessel.pwd\" holds no users, the log-on window shows for three seconds\n"
            "and the console runs with every right. When it holds users, or is missing, the console asks for a\n"
            "user name, a password and a login path (the first managed one is filled in), and runs only if the\n"
            "user's group grants the console's own right.\n" } } });
    page.sections.push_back({ "Log-on arguments",
        { { Block::Kind::Term, "username=NAME", "Fills in the user name.\n" },
            { Block::Kind::Term, "password=PASSWORD",
                "Fills in the password. With both, the log-on completes without a key press. Other users of\n"
                "the machine can read a program's arguments: give a password this way only where nobody else\n"
                "logs on.\n" },
            { Block::Kind::Text, {},
                "The prefixes are case-sensitive, and the last argument of each kind counts. Other arguments,\n"
                "apart from Qt's own (such as -platform), are ignored.\n" } } });
    page.sections.push_back({ "Options", { { Block::Kind::Term, "-h, --help", "Prints this text and ends.\n" } } });
    page.sections.push_back(FilesSection(layout));
    page.sections.push_back({ "See also", { { Block::Kind::Text, {}, "custodiactl(1)\n" } } });
    return page;
}

} // namespace custodia
