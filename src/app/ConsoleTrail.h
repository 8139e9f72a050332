#pragma once

#include "store/AuditTrailHold.h"

#include <string>

class QStatusBar;

namespace custodia {

class WordTable;

// How the window's changes name their maker in the login path's trail: the console, on this machine
// and account, with the console user logged on (stored bytes; empty when nobody logged on). Rights are
// named by the words the group dialog labels them with. A change that went ahead without its line is
// told in the status bar; the services run on a worker thread, so the text is posted to the bar's.
TrailOptions ConsoleTrailOptions(const WordTable& words, const std::string& consoleUser, QStatusBar* status);

// The words that label a right on the group dialog's pages, as UTF-8; empty when no page shows it.
std::string ConsoleRightName(const WordTable& words, int program, int position);

} // namespace custodia
