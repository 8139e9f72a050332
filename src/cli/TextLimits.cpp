#include "cli/TextLimits.h"

#include "cli/Arguments.h"
#include "platform/CodePage.h"
#include "store/TextRules.h"

#include <algorithm>

namespace custodia::cli {

void CheckText(const std::string& what, const std::string& text, size_t limit)
{
    if (text.size() > limit)
        throw UsageError(what + " is " + std::to_string(text.size()) + " bytes long; at most " + std::to_string(limit)
            + " are allowed");
    if (HasControlCharacter(text))
        throw UsageError(what + " must not contain a tab or a line end, nor any other control character");
}

std::string StoredTextArgument(const std::string& what, const std::string& text, size_t limit)
{
    const StorableText stored = Utf8ToStored(text);
    if (!stored.IsStorable())
        throw UsageError(what + ": the character " + stored.refused
            + " cannot be stored; the programs of the suite use the Windows-1252 code page, which lacks it");
    CheckText(what, stored.bytes, limit);
    return stored.bytes;
}

void CheckPassword(const std::string& password)
{
    CheckText("password", password, limits::kPassword);
    if (!IsAcceptablePassword(password))
        throw UsageError("password must consist of printable ASCII characters");
}

} // namespace custodia::cli
