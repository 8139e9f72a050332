#include "ui/FailureReport.h"

#include "ui/FileCauseText.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

namespace custodia {

namespace {

QString CauseText(const WordTable& words, const Failure& failure)
{
    if (failure.refusal == Failure::Refusal::None && failure.cause != 0)
        return FileCauseText(words, failure.cause);
    if (!failure.detail.empty())
        return QString::fromStdString(failure.detail);
    return QString::fromStdString(DescribeFailure(failure));
}

} // namespace

QString FailureText(const WordTable& words, const Failure& failure)
{
    return WordText(words, Word::ChangesNotSaved) + QStringLiteral("\n\n") + FailureCauseText(words, failure);
}

QString FailureCauseText(const WordTable& words, const Failure& failure)
{
    QString text;
    if (!failure.fileName.IsEmpty())
        text += PathText(failure.fileName) + QStringLiteral(": ");
    text += CauseText(words, failure);
    if (failure.systemError != 0)
        text += QStringLiteral(" (") + QString::fromStdString(SystemErrorName(failure.systemError)) + QLatin1Char(')');
    return text;
}

void ReportFailure(QWidget* parent, const WordTable& words, UiServices& ui, const Failure& failure)
{
    ui.ShowMessage(parent, FailureText(words, failure), WordText(words, Word::NotSavedCaption),
        UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

} // namespace custodia
