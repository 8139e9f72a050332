#pragma once

#include "platform/NativePath.h"
#include "words/Word.h"

#include <QString>

#include <optional>
#include <string>

namespace custodia {

class WordTable;

// Word files and the text fields of stored records hold Windows-1252 bytes, the suite's code page;
// file paths are the platform's own bytes. The widgets want QStrings: these convert at that edge.
QString WordText(const WordTable& words, int number);
QString WordText(const WordTable& words, Word word);
// For the few texts that must be readable even when the word files could not be read (the message
// saying so among them): the fallback stands in for a word the table lacks.
QString WordTextOr(const WordTable& words, Word word, const QString& fallback);
QString StoredText(const std::string& text);
// A path is not a stored text: decoding its bytes in the code page would show "MÃ¼ller".
QString StoredText(const NativePath& path) = delete;
// The bytes to store, or nothing when the code page lacks a character of the text; refused then names
// the first such character, e.g. "'Ω' (U+03A9)".
std::optional<std::string> ToStoredText(const QString& text, QString* refused = nullptr);
// The message that refuses such a character, naming it.
QString RefusedCharacterText(const WordTable& words, const QString& refused);
QString PathText(const NativePath& path);
// Nor is a stored text (or any plain string) a path: it says which it is by becoming a NativePath.
QString PathText(const std::string& text) = delete;
QString PathText(const char* text) = delete;
NativePath ToPath(const QString& text);

} // namespace custodia
