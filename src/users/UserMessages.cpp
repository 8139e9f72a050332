#include "users/UserMessages.h"

#include "app/UiServices.h"
#include "app/WordText.h"
#include "platform/FileException.h"

namespace custodia {

void ShowFileFailure(UiServices& ui, const WordTable& words, QWidget* parent, Word text, Word caption,
    const std::string& fileName, const std::string& cause)
{
    const QString message = WordText(words, text) + QStringLiteral("\n\n") + PathText(fileName) + QStringLiteral(": ")
        + QString::fromStdString(cause);
    ui.ShowMessage(parent, message, WordText(words, caption), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void ShowFileException(UiServices& ui, const WordTable& words, QWidget* parent, const FileException& error)
{
    ShowFileFailure(ui, words, parent, Word::FileNotReadOrWritten, Word::FileProblemCaption, error.fileName(),
        DescribeFileCause(error.cause()));
}

} // namespace custodia
