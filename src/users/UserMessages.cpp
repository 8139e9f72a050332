#include "users/UserMessages.h"

#include "platform/FileException.h"
#include "ui/FileCauseText.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

namespace custodia {

namespace {

void ShowFileCause(UiServices& ui, const WordTable& words, QWidget* parent, Word text, Word caption,
    const NativePath& fileName, const QString& cause)
{
    const QString message
        = WordText(words, text) + QStringLiteral("\n\n") + PathText(fileName) + QStringLiteral(": ") + cause;
    ui.ShowMessage(parent, message, WordText(words, caption), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

} // namespace

void ShowFileFailure(UiServices& ui, const WordTable& words, QWidget* parent, Word text, Word caption,
    const NativePath& fileName, const std::string& cause)
{
    ShowFileCause(ui, words, parent, text, caption, fileName, QString::fromStdString(cause));
}

void ShowFileException(UiServices& ui, const WordTable& words, QWidget* parent, const FileException& error)
{
    ShowFileCause(ui, words, parent, Word::FileNotReadOrWritten, Word::FileProblemCaption, NativePath(error.fileName()),
        FileCauseText(words, error.cause()));
}

} // namespace custodia
