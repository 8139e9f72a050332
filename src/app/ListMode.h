#pragma once

#include <optional>

namespace custodia {

// What the item list shows; the numbers are the ones the commands and menus are described by.
enum class ListMode { None = 0, LoginPaths = 1, Categories = 2, Users = 3, Groups = 4, DatabasePaths = 5 };

// The four ways the item list can present its rows.
enum class Presentation { LargeIcons, SmallIcons, List, Details };

// The word naming what one row of the mode is, used to label the create, edit and delete commands.
inline std::optional<int> ModeNounWord(ListMode mode)
{
    switch (mode) {
    case ListMode::LoginPaths:
    case ListMode::Categories:
        return 926;
    case ListMode::Users:
        return 927;
    case ListMode::Groups:
        return 928;
    case ListMode::DatabasePaths:
        return 987;
    case ListMode::None:
        break;
    }
    return std::nullopt;
}

} // namespace custodia
