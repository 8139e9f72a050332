#pragma once

#include "platform/NativePath.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;
class UiServices;

namespace custodia {

class FileException;
class WordTable;

// Commands run by the supervisor are the boundary where a file error after a successful open is
// caught: it is shown in a message box naming the file and the cause, and the console goes on.
void ReportFileError(QWidget* parent, const WordTable& words, UiServices& ui, const FileException& error);

// A file that could not be used at all, with the cause in plain words ("not a regular file (a named
// pipe (FIFO))", "damaged").
void ReportUnusableFile(
    QWidget* parent, const WordTable& words, UiServices& ui, const NativePath& fileName, const QString& cause);

// Runs the action and reports a FileException that escapes it. False if one did.
bool RunReportingFileErrors(
    QWidget* parent, const WordTable& words, UiServices& ui, const std::function<void()>& action);

} // namespace custodia
