#include "store/TextRules.h"

#include <algorithm>

namespace custodia {

bool IsAcceptablePassword(std::string_view password)
{
    return password.size() <= kMaxPasswordLength
        && std::all_of(password.begin(), password.end(), [](char c) { return c >= 32 && c <= 126; });
}

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace custodia
