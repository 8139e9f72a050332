#pragma once

#include "platform/NativePath.h"
#include "words/Word.h"

#include <string>

class QWidget;
class UiServices;

namespace custodia {

class FileException;
class WordTable;

// A file that could not be read or written, said in a message box with the stop icon: the word, then
// the file and the cause on a line of their own.
void ShowFileFailure(UiServices& ui, const WordTable& words, QWidget* parent, Word text, Word caption,
    const NativePath& fileName, const std::string& cause);

// A read or write that failed after its file was opened.
void ShowFileException(UiServices& ui, const WordTable& words, QWidget* parent, const FileException& error);

} // namespace custodia
