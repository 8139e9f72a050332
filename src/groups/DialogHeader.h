#pragma once

class QString;
class QWidget;

namespace custodia {

// The top of the group dialogs: the group icon beside a read-only text that says what the dialog is
// for, and a line under both.
QWidget* MakeDialogHeader(const QString& text, QWidget* parent);

} // namespace custodia
