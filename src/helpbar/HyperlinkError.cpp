#include "helpbar/HyperlinkError.h"

#include <array>
#include <utility>

namespace custodia {

namespace {

const char kUnableToOpen[] = "Unable to open hyperlink:\n\n";

constexpr std::array<std::pair<int, const char*>, 13> kMessages { {
    { 0, "The operating system is out\nof memory or resources." },
    { 2, "The specified file was not found." },
    { 3, "The specified path was not found." },
    { 5, "The operating system denied\naccess to the specified file." },
    { 8, "There was not enough memory to complete the operation." },
    { 11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)." },
    { 26, "A sharing violation occurred. " },
    { 27, "The filename association is\nincomplete or invalid." },
    { 28, "The DDE transaction could not\nbe completed because the request timed out." },
    { 29, "The DDE transaction failed." },
    { 30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed." },
    { 31, "There is no application associated\nwith the given filename extension." },
    { 32, "The specified dynamic-link library was not found." },
} };

QString MessageFor(int result)
{
    for (const auto& [code, message] : kMessages) {
        if (code == result)
            return QString::fromLatin1(message);
    }
    return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
}

} // namespace

QString HyperlinkErrorText(int result)
{
    return QString::fromLatin1(kUnableToOpen) + MessageFor(result);
}

} // namespace custodia
