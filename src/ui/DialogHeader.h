#pragma once

#include <QIcon>
#include <QString>

class QBoxLayout;

namespace custodia {

// The top of the console's dialogs: the icon of what they edit, a read-only explaining text beside it
// and an etched line under both.
void AddDialogHeader(QBoxLayout& layout, const QIcon& icon, const QString& text);

} // namespace custodia
