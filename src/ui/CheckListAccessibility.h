#pragma once

class QTreeWidget;

namespace custodia {

// An item view draws its check boxes and tells the accessibility bus little of them: a row's
// "Toggle" action only selects the row, and nothing says that it can be ticked. A list handed in here
// shows the cells of its first column as check boxes that say whether they are ticked and whose
// action ticks or clears them, as Space does; the other cells as plain text. Call it right after
// making the list, before anything asks for the list's accessible interface.
void ExposeChecksToScreenReaders(QTreeWidget& list);

} // namespace custodia
