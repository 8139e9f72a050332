#pragma once

#include <QString>

#include <optional>

class QWidget;
class UiServices;

namespace custodia {

// A database folder is recognised by its logger database file.
inline constexpr char kLoggerDatabaseFileName[] = "loggerdb.000";

// The folder that holds the logger database file named in a chosen path: the path cut where the
// separator and "loggerdb.000" begin, found without regard to letter case and kept in its own case.
// Nothing when the path names no such file.
std::optional<QString> LoggerDatabaseFolderOf(const QString& chosenPath);

// Asks for a logger database file through the UI services, starting at initialFile. The chosen path,
// or nothing when cancelled.
std::optional<QString> ChooseLoggerDatabase(
    UiServices& ui, QWidget* parent, const QString& caption, const QString& initialFile);

} // namespace custodia
