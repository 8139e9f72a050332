#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace custodia {

// Opens the history of one object of the login path shown ("user ann", "group 004") over a dialog.
// The application hands it to the properties dialogs, which know nothing of the history view; a
// dialog without one offers no history.
using HistoryOpener = std::function<void(QWidget* parent, const QString& object)>;

} // namespace custodia
