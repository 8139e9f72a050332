#include "ui/FileErrorReport.h"

#include "platform/FileException.h"
#include "ui/ApplicationName.h"
#include "ui/FileCauseText.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

namespace custodia {

namespace {

void ShowFileMessage(QWidget* parent, UiServices& ui, const QString& text)
{
    ui.ShowMessage(
        parent, text, QString::fromLatin1(kApplicationName), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

} // namespace

void ReportFileError(QWidget* parent, const WordTable& words, UiServices& ui, const FileException& error)
{
    // Also shown when the word files themselves failed, so it has words of its own to fall back on.
    const QString frame = WordTextOr(
        words, Word::FileErrorMessage, QStringLiteral("The file \"%1\" could not be read or written: %2."));
    ShowFileMessage(parent, ui, frame.arg(PathText(NativePath(error.fileName())), FileCauseText(words, error.cause())));
}

void ReportUnusableFile(
    QWidget* parent, const WordTable& words, UiServices& ui, const NativePath& fileName, const QString& cause)
{
    const QString frame
        = WordTextOr(words, Word::UnusableFileMessage, QStringLiteral("The file \"%1\" could not be read: %2."));
    ShowFileMessage(parent, ui, frame.arg(PathText(fileName), cause));
}

bool RunReportingFileErrors(
    QWidget* parent, const WordTable& words, UiServices& ui, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const FileException& error) {
        ReportFileError(parent, words, ui, error);
        return false;
    }
}

} // namespace custodia
