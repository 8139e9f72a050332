#include "app/WordText.h"

#include "words/WordTable.h"

namespace custodia {

QString WordText(const WordTable& words, int number)
{
    return StoredText(words.GetWord(number));
}

QString WordText(const WordTable& words, Word word)
{
    return WordText(words, WordNumber(word));
}

QString StoredText(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string ToStoredText(const QString& text)
{
    return text.toStdString();
}

} // namespace custodia
