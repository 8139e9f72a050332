#include "store/FixedText.h"

#include <algorithm>
#include <cstring>

namespace custodia {

std::string ReadFixedText(const unsigned char* field, size_t fieldSize)
{
    return std::string(ReadFixedTextView(field, fieldSize));
}

std::string_view ReadFixedTextView(const unsigned char* field, size_t fieldSize)
{
    if (fieldSize == 0)
        return {};
    // A plain loop: the fields are a few dozen bytes, too short for a library search to pay off.
    size_t length = 0;
    while (length < fieldSize - 1 && field[length] != 0)
        ++length;
    return std::string_view(reinterpret_cast<const char*>(field), length);
}

std::string_view FitFixedText(std::string_view text, size_t fieldSize)
{
    if (fieldSize == 0)
        return {};
    const size_t terminator = text.find('\0');
    if (terminator != std::string_view::npos)
        text = text.substr(0, terminator);
    return text.substr(0, std::min(text.size(), fieldSize - 1));
}

void WriteFixedText(unsigned char* field, size_t fieldSize, std::string_view text)
{
    if (fieldSize == 0)
        return;
    const std::string_view fitted = FitFixedText(text, fieldSize);
    std::memcpy(field, fitted.data(), fitted.size());
    std::memset(field + fitted.size(), 0, fieldSize - fitted.size());
}

} // namespace custodia
