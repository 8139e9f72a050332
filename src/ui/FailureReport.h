#pragma once

#include "platform/Result.h"

#include <QString>

class QWidget;
class UiServices;

namespace custodia {

class WordTable;

// A change that the core refused or could not make, as the one message box every command shows for
// it: what was not saved, the file as the platform spells it, the cause and the system's error.
QString FailureText(const WordTable& words, const Failure& failure);
// The file and the cause alone: "P/tessel.pwd: in use by another program (EWOULDBLOCK)".
QString FailureCauseText(const WordTable& words, const Failure& failure);
void ReportFailure(QWidget* parent, const WordTable& words, UiServices& ui, const Failure& failure);

} // namespace custodia
