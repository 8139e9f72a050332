#pragma once

#include <array>
#include <cstddef>

namespace custodia {

// The suite's twelve programs. Each keeps every group's rights in a profile file of its own; the row
// length is how many rights bytes of its row a log-on takes from that file.
enum ProgramIndex : int {
    kProgramConvert = 0,
    kProgramSetup = 1,
    kProgramDownload = 2,
    kProgramView = 3,
    kProgramAutocall = 4,
    kProgramAlarmin = 5,
    kProgramCustodia = 6,
    kProgramDatagen = 7,
    kProgramAlarmpro = 8,
    kProgramExport = 9,
    kProgramTranslator = 10,
    kProgramReporter = 11,
};

inline constexpr int kProgramCount = 12;

// Position 0 of this program's row is the console's own right: without it the console does not start.
inline constexpr int kConsoleRightPosition = 0;

struct ProfileFile {
    const char* fileName;
    size_t rowLength;
};

inline constexpr std::array<ProfileFile, kProgramCount> kProfileFiles { {
    { "convert.prf", 1 },
    { "setup.prf", 45 },
    { "download.prf", 12 },
    { "view.prf", 22 },
    { "autocall.prf", 10 },
    { "alarmin.prf", 5 },
    { "custodia.prf", 1 },
    { "datagen.prf", 1 },
    { "alarmpro.prf", 4 },
    { "export.prf", 1 },
    { "translator.prf", 1 },
    { "reporter.prf", 1 },
} };

inline constexpr bool IsProgramIndex(int program)
{
    return program >= 0 && program < kProgramCount;
}

} // namespace custodia
