#pragma once

#include <string>
#include <vector>

namespace custodia {

// The console holds a supervisor's password while it logs on: no core dump may keep it on disk, and
// another user's `ps` or /proc/PID/cmdline must not show one given on the command line.
void DisableCoreDumps();

// Overwrites the value of every "password=" argument after the program name with zero bytes, in the
// process's own argument memory, so that it reads as "password=" from then on. Returns how many were
// overwritten.
int ScrubPasswordArguments(int argc, char** argv);

// The same for a copy of the arguments kept as strings: the value's bytes are overwritten before the
// text is cut to "password=".
void WipePasswordArguments(std::vector<std::string>& arguments);

// Overwrites the text's bytes with zero bytes in a way the compiler keeps, then empties it.
void WipeText(std::string& text);

} // namespace custodia
