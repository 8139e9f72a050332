#pragma once

#include "words/Word.h"

#include <optional>

namespace custodia {

// What the item list shows; the numbers are the ones the commands and menus are described by.
enum class ListMode { None = 0, LoginPaths = 1, Categories = 2, Users = 3, Groups = 4, DatabasePaths = 5 };

// The four ways the item list can present its rows.
enum class Presentation { LargeIcons, SmallIcons, List, Details };

// The word naming what one row of the mode is, used to label the create, edit and delete commands.
inline std::optional<Word> ModeNounWord(ListMode mode)
{
    switch (mode) {
    case ListMode::LoginPaths:
    case ListMode::Categories:
        return Word::LoginPathItem;
    case ListMode::Users:
        return Word::UserItem;
    case ListMode::Groups:
        return Word::GroupItem;
    case ListMode::DatabasePaths:
        return Word::DatabasePathTitle;
    case ListMode::None:
        break;
    }
    return std::nullopt;
}

} // namespace custodia
