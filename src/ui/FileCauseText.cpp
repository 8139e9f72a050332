#include "ui/FileCauseText.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "ui/WordText.h"

#include <cerrno>

namespace custodia {

namespace {

// The file layer's own plain words stand in while the word files are missing: the message that
// says why they are missing uses these.
Word OpenErrorWord(const OpenError& error)
{
    switch (error.refusal) {
    case OpenError::Refusal::NotRegularFile:
        return Word::NotRegularFileCause;
    case OpenError::Refusal::DanglingLink:
        return Word::DanglingLinkCause;
    case OpenError::Refusal::Cancelled:
    case OpenError::Refusal::None:
        break;
    }
    switch (error.systemError) {
    case EACCES:
        return Word::NoPermissionCause;
    case EPERM:
        return Word::NotPermittedCause;
    case EROFS:
        return Word::ReadOnlyCause;
    case ELOOP:
        return Word::LinkLoopCause;
    default:
        return FileCauseWord(error.cause);
    }
}

} // namespace

Word FileCauseWord(int cause)
{
    if (cause < kCauseNone || cause > kCauseEndOfFile)
        return Word::UnknownFileCause;
    return static_cast<Word>(WordNumber(Word::FirstFileCause) + cause);
}

QString FileCauseText(const WordTable& words, int cause)
{
    return WordTextOr(words, FileCauseWord(cause), QString::fromLatin1(DescribeFileCause(cause)));
}

QString OpenErrorText(const WordTable& words, const OpenError& error)
{
    const Word word = OpenErrorWord(error);
    const QString fallback = QString::fromStdString(DescribeOpenError(error));
    if (word == Word::NotRegularFileCause) {
        const QString text = WordTextOr(words, word, QString());
        return text.isEmpty() ? fallback : text.arg(QString::fromStdString(error.nodeKind));
    }
    return WordTextOr(words, word, fallback);
}

} // namespace custodia
