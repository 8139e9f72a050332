#pragma once

#include "app/ListMode.h"

#include <QString>

namespace custodia {

class WordTable;

// Captions and enabling of the create, edit and delete commands, which depend on what the item list
// shows and whether a row is selected. The Edit menu and the command popup both use them.
struct EditCommandState {
    QString createText;
    QString editText;
    QString deleteText;
    bool createEnabled = false;
    bool editEnabled = false;
    bool deleteEnabled = false;
};

EditCommandState MakeEditCommandState(const WordTable& words, ListMode mode, bool hasSelection);

} // namespace custodia
