#include "users/LoggerDatabasePath.h"

#include "platform/Platform.h"
#include "ui/UiServices.h"

namespace custodia {

std::optional<QString> LoggerDatabaseFolderOf(const QString& chosenPath)
{
    const QString marker = QLatin1Char(kPathSeparator) + QLatin1String(kLoggerDatabaseFileName);
    const qsizetype found = chosenPath.indexOf(marker, 0, Qt::CaseInsensitive);
    if (found < 0)
        return std::nullopt;
    return chosenPath.left(found);
}

std::optional<QString> ChooseLoggerDatabase(
    UiServices& ui, QWidget* parent, const QString& caption, const QString& initialFile)
{
    const QString filter = QStringLiteral("Tessel Database (%1)").arg(QLatin1String(kLoggerDatabaseFileName));
    const QString chosen = ui.ChooseFile(parent, caption, initialFile, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace custodia
