#pragma once

#include <QIcon>

namespace custodia {

// The five images the tree and the item list share, in the order both refer to them by.
enum class ItemImage { Root = 0, LoginPath = 1, OpenCategory = 2, Group = 3, User = 4 };
inline constexpr int kItemImageCount = 5;

// The toolbar's own pictures.
enum class ToolbarImage { CommandPopup, LargeIcons, SmallIcons, List, Details, HelpBar };

// Images come from the resource file; a missing one falls back on a picture of the widget style, so
// a build without the icons still shows something sensible.
QIcon ItemIcon(ItemImage image);
// A category: a closed folder normally, the open one while selected.
QIcon CategoryIcon();
QIcon ToolbarIcon(ToolbarImage image);
QIcon ApplicationIcon();

} // namespace custodia
