#pragma once

#include "words/Word.h"

#include <QString>

namespace custodia {

class WordTable;
struct OpenError;

// The word for a cause number of the file layer (0..14; anything else is an unknown error).
Word FileCauseWord(int cause);

// The cause of a file error in the console's words ("in use by another program", "disk full").
QString FileCauseText(const WordTable& words, int cause);

// Why an open failed, as precisely as the file layer knows it ("no permission", "read-only file
// system", "not a regular file (a named pipe (FIFO))").
QString OpenErrorText(const WordTable& words, const OpenError& error);

} // namespace custodia
