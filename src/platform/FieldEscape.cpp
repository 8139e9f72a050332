#include "platform/FieldEscape.h"

#include "platform/CodePage.h"

#include <cstdio>

namespace custodia {

namespace {

void AppendHex(std::string& out, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", value & 0xFF);
    out += text;
}

bool IsControl(uint32_t value)
{
    return value < 0x20 || (value >= 0x7F && value <= 0x9F);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

namespace {

// Printable ASCII without a backslash escapes to itself, and most fields are just that.
bool NeedsNoEscape(std::string_view field)
{
    for (const char c : field)
        if (c < 0x20 || c > 0x7E || c == '\\')
            return false;
    return true;
}

std::string EscapeField(std::string_view field, bool controlsByBytes)
{
    if (NeedsNoEscape(field))
        return std::string(field);
    std::string out;
    out.reserve(field.size());
    std::string_view rest = field;
    while (!rest.empty()) {
        // Runs of printable ASCII go out as they are, in one append.
        size_t plain = 0;
        while (plain < rest.size() && rest[plain] >= 0x20 && rest[plain] <= 0x7E && rest[plain] != '\\')
            ++plain;
        out.append(rest.substr(0, plain));
        rest.remove_prefix(plain);
        if (rest.empty())
            break;
        const auto character = DecodeUtf8(rest);
        if (!character) {
            AppendHex(out, static_cast<unsigned char>(rest.front()));
            rest.remove_prefix(1);
            continue;
        }
        switch (character->value) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            // A C1 control character by its number, as custodiactl has always printed it (it reads
            // back as the byte of that number, which is no UTF-8), or by its bytes where a field
            // must read back exactly.
            if (!IsControl(character->value)) {
                out.append(rest.substr(0, character->length));
            } else if (controlsByBytes) {
                for (const char byte : rest.substr(0, character->length))
                    AppendHex(out, static_cast<unsigned char>(byte));
            } else {
                AppendHex(out, character->value);
            }
        }
        rest.remove_prefix(character->length);
    }
    return out;
}

} // namespace

std::string EscapeTsvField(std::string_view field)
{
    return EscapeField(field, false);
}

std::string EscapeTsvFieldExactly(std::string_view field)
{
    return EscapeField(field, true);
}

std::optional<std::string> UnescapeTsvField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out.push_back(field[i]);
            continue;
        }
        if (++i >= field.size())
            return std::nullopt;
        switch (field[i]) {
        case 't':
            out.push_back('\t');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        case 'x': {
            const int high = i + 1 < field.size() ? HexValue(field[i + 1]) : -1;
            const int low = i + 2 < field.size() ? HexValue(field[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace custodia
