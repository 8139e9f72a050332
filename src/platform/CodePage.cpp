#include "platform/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <optional>
#include <stdexcept>

namespace custodia {

namespace {

constexpr const char kStoredCodePage[] = "WINDOWS-1252";
constexpr const char kUtf8[] = "UTF-8";

// One iconv descriptor per direction and thread, opened on first use.
class Converter final {
public:
    Converter(const char* to, const char* from)
        : m_descriptor(::iconv_open(to, from))
    {
        if (m_descriptor == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    }
    ~Converter() { ::iconv_close(m_descriptor); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; the input is left at the first byte it could not convert. False when it
    // stopped early.
    bool Convert(std::string_view& input, std::string& output)
    {
        ::iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        char buffer[256];
        while (!input.empty()) {
            char* in = const_cast<char*>(input.data());
            size_t inLeft = input.size();
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = ::iconv(m_descriptor, &in, &inLeft, &out, &outLeft);
            const int error = errno;
            output.append(buffer, static_cast<size_t>(out - buffer));
            input.remove_prefix(input.size() - inLeft);
            if (result == static_cast<size_t>(-1) && error != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t m_descriptor;
};

Converter& Decoder()
{
    thread_local Converter decoder(kUtf8, kStoredCodePage);
    return decoder;
}

Converter& Encoder()
{
    thread_local Converter encoder(kStoredCodePage, kUtf8);
    return encoder;
}

// The bytes Windows-1252 leaves undefined; they stand for the control character of the same number.
bool IsUndefinedByte(uint32_t value)
{
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

} // namespace

std::optional<CodePoint> DecodeUtf8(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty())
        return std::nullopt;
    const unsigned char lead = byte(0);
    size_t length = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if (lead < 0x80)
        return CodePoint { lead, 1 };
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() < length)
        return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return CodePoint { value, length };
}

std::string StoredToUtf8(std::string_view stored)
{
    // Plain ASCII reads the same in both, and most stored names are plain ASCII.
    if (std::all_of(stored.begin(), stored.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(stored);
    std::string utf8;
    utf8.reserve(stored.size());
    while (!Decoder().Convert(stored, utf8)) {
        const auto undefined = static_cast<unsigned char>(stored.front());
        utf8 += static_cast<char>(0xC0 | (undefined >> 6));
        utf8 += static_cast<char>(0x80 | (undefined & 0x3F));
        stored.remove_prefix(1);
    }
    return utf8;
}

StorableText Utf8ToStored(std::string_view utf8)
{
    StorableText result;
    // Plain ASCII is the same bytes in both, as in StoredToUtf8.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        result.bytes.assign(utf8);
        return result;
    }
    result.bytes.reserve(utf8.size());
    while (!Encoder().Convert(utf8, result.bytes)) {
        const auto character = DecodeUtf8(utf8);
        if (!character) {
            result.refused = "the byte 0x" + Hex(static_cast<unsigned char>(utf8.front()), 2) + ", which is not UTF-8";
            return result;
        }
        if (!IsUndefinedByte(character->value)) {
            result.refused
                = "'" + std::string(utf8.substr(0, character->length)) + "' (U+" + Hex(character->value, 4) + ")";
            return result;
        }
        result.bytes += static_cast<char>(character->value);
        utf8.remove_prefix(character->length);
    }
    return result;
}

bool LooksLikeUtf8(std::string_view stored)
{
    bool multiByte = false;
    while (!stored.empty()) {
        const auto character = DecodeUtf8(stored);
        if (!character)
            return false;
        multiByte = multiByte || character->length > 1;
        stored.remove_prefix(character->length);
    }
    return multiByte;
}

} // namespace custodia
