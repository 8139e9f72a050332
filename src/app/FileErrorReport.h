#pragma once

#include <functional>
#include <string>

class QWidget;
class UiServices;

namespace custodia {

class FileException;

// Commands run by the supervisor are the boundary where a file error after a successful open is
// caught: it is shown in a message box naming the file, and the console goes on.
void ReportFileError(QWidget* parent, UiServices& ui, const FileException& error);

// A file that could not be used at all, with the cause in plain words ("not a regular file (a named
// pipe (FIFO))", "damaged").
void ReportUnusableFile(QWidget* parent, UiServices& ui, const std::string& fileName, const std::string& cause);

// Runs the action and reports a FileException that escapes it. False if one did.
bool RunReportingFileErrors(QWidget* parent, UiServices& ui, const std::function<void()>& action);

} // namespace custodia
