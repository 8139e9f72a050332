#include "ui/WordText.h"

#include "platform/CodePage.h"
#include "words/WordTable.h"

#include <QFile>

#include <algorithm>

namespace custodia {

QString WordText(const WordTable& words, int number)
{
    return StoredText(words.GetWord(number));
}

QString WordText(const WordTable& words, Word word)
{
    return WordText(words, WordNumber(word));
}

QString WordTextOr(const WordTable& words, Word word, const QString& fallback)
{
    const std::string& text = words.GetWord(word);
    return text == WordTable::kMissingWord ? fallback : StoredText(text);
}

QString StoredText(const std::string& text)
{
    // Plain ASCII, as most stored texts are, reads the same in every code page: no conversion needed.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return QString::fromStdString(StoredToUtf8(text));
}

std::optional<std::string> ToStoredText(const QString& text, QString* refused)
{
    StorableText stored = Utf8ToStored(text.toStdString());
    if (stored.IsStorable())
        return std::move(stored.bytes);
    if (refused != nullptr)
        *refused = QString::fromStdString(stored.refused);
    return std::nullopt;
}

QString RefusedCharacterText(const WordTable& words, const QString& refused)
{
    return WordText(words, Word::RefusedCharacter).arg(refused);
}

QString PathText(const NativePath& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.Bytes()));
}

NativePath ToPath(const QString& text)
{
    return NativePath(QFile::encodeName(text).toStdString());
}

} // namespace custodia
