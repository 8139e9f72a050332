#include "app/FileErrorReport.h"

#include "app/ApplicationName.h"
#include "app/UiServices.h"
#include "app/WordText.h"
#include "platform/FileException.h"

namespace custodia {

void ReportFileError(QWidget* parent, UiServices& ui, const FileException& error)
{
    const QString text = QStringLiteral("The file \"%1\" could not be read or written: %2.")
                             .arg(PathText(error.fileName()), QString::fromLatin1(DescribeFileCause(error.cause())));
    ui.ShowMessage(
        parent, text, QString::fromLatin1(kApplicationName), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void ReportUnusableFile(QWidget* parent, UiServices& ui, const std::string& fileName, const std::string& cause)
{
    const QString text = QStringLiteral("The file \"%1\" could not be read: %2.")
                             .arg(PathText(fileName), QString::fromStdString(cause));
    ui.ShowMessage(
        parent, text, QString::fromLatin1(kApplicationName), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

bool RunReportingFileErrors(QWidget* parent, UiServices& ui, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const FileException& error) {
        ReportFileError(parent, ui, error);
        return false;
    }
}

} // namespace custodia
