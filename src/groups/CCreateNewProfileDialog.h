#pragma once

#include "groups/CProfileNumberDialog.h"

namespace custodia {

// Asks for the number and name of a new group in a login path. Writes nothing: the caller checks that
// the number is free (running the dialog again if not) and then opens the group's properties.
class CCreateNewProfileDialog final : public CProfileNumberDialog {
    Q_OBJECT

public:
    CCreateNewProfileDialog(const WordTable& words, UiServices& ui, const std::string& loginPath, QWidget* parent);
};

} // namespace custodia
