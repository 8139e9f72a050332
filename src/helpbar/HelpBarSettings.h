#pragma once

namespace custodia {

// What the help bar remembers for the next start: whether it was shown and how wide it was. Kept in
// the user's settings of the console (QSettings), which tests redirect with the test mode of
// QStandardPaths.
bool RememberedHelpBarShown();
void RememberHelpBarShown(bool shown);
// 0 when no width was remembered.
int RememberedHelpBarWidth();
void RememberHelpBarWidth(int width);

} // namespace custodia
