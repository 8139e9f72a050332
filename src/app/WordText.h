#pragma once

#include "words/Word.h"

#include <QString>

#include <string>

namespace custodia {

class WordTable;

// Word files and stored records hold UTF-8 text; the widgets want QStrings.
QString WordText(const WordTable& words, int number);
QString WordText(const WordTable& words, Word word);
QString StoredText(const std::string& text);
std::string ToStoredText(const QString& text);

} // namespace custodia
