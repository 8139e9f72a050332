#include "parsers/TextCharacters.h"

#include <array>

namespace custodia {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes decode as the replacement character.
constexpr std::array<char32_t, 32> kWindows1252High = { U'\u20AC', U'\uFFFD', U'\u201A', U'\u0192', U'\u201E',
    U'\u2026', U'\u2020', U'\u2021', U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', U'\uFFFD', U'\u017D',
    U'\uFFFD', U'\uFFFD', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014', U'\u02DC',
    U'\u2122', U'\u0161', U'\u203A', U'\u0153', U'\uFFFD', U'\u017E', U'\u0178' };

char32_t SingleByteCharacter(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kWindows1252High[byte - 0x80];
    return byte;
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at the start of bytes, with its character; 0 if there is
// none (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8Sequence(std::string_view bytes, char32_t& character)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!IsContinuation(byte))
            return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    character = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::u32string DecodeText(std::string_view bytes)
{
    std::u32string characters;
    characters.reserve(bytes.size());
    size_t offset = 0;
    while (offset < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[offset]);
        if (byte < 0x80) {
            characters += byte;
            ++offset;
            continue;
        }
        char32_t c = 0;
        const size_t length = Utf8Sequence(bytes.substr(offset), c);
        if (length == 0) {
            characters += SingleByteCharacter(byte);
            ++offset;
            continue;
        }
        characters += c > 0xFFFF ? kReplacementCharacter : c;
        offset += length;
    }
    return characters;
}

std::string EncodeUtf8(std::u32string_view characters)
{
    std::string out;
    out.reserve(characters.size());
    for (const char32_t c : characters) {
        const bool encodable = c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        AppendUtf8(out, encodable ? c : kReplacementCharacter);
    }
    return out;
}

std::string ToUtf8Text(std::string_view bytes)
{
    return EncodeUtf8(DecodeText(bytes));
}

char32_t FoldCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    switch (c) {
    case 0x152: // OE ligature
    case 0x160: // S caron
    case 0x17D: // Z caron
        return c + 1;
    case 0x178: // Y diaeresis
        return 0xFF;
    default:
        return c;
    }
}

} // namespace custodia
