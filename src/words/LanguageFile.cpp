#include "words/LanguageFile.h"

#include "platform/Endian.h"
#include "words/WordFileFormat.h"

#include <algorithm>
#include <stdexcept>

namespace custodia {

namespace {

// The text before the first zero byte of a field, or nothing when the field has none.
std::optional<std::string> TerminatedText(const unsigned char* field, size_t size)
{
    const unsigned char* end = std::find(field, field + size, 0);
    if (end == field + size)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(end - field));
}

} // namespace

std::optional<Language> ParseLanguageFile(const std::vector<unsigned char>& bytes)
{
    using namespace languagefile;
    if (bytes.size() != kFileSize)
        return std::nullopt;
    if (wordfile::SignedByteSum16(bytes.data(), kChecksumOffset) != ReadUint16LE(bytes.data() + kChecksumOffset))
        return std::nullopt;
    std::optional<std::string> name = TerminatedText(bytes.data() + kNameOffset, kNameSize);
    std::optional<std::string> extension = TerminatedText(bytes.data() + kExtensionOffset, kExtensionSize);
    if (!name || !extension)
        return std::nullopt;
    if (extension->find_first_of("/\\") != std::string::npos)
        return std::nullopt;
    return Language { *name, *extension };
}

std::vector<unsigned char> BuildLanguageFile(const Language& language)
{
    using namespace languagefile;
    if (language.name.size() >= kNameSize)
        throw std::invalid_argument("language name too long");
    if (language.extension.size() > kMaxExtensionLength)
        throw std::invalid_argument("language extension longer than 3 characters");
    std::vector<unsigned char> bytes(kFileSize, 0);
    std::copy(language.name.begin(), language.name.end(), bytes.begin() + kNameOffset);
    std::copy(language.extension.begin(), language.extension.end(), bytes.begin() + kExtensionOffset);
    WriteUint16LE(bytes.data() + kChecksumOffset, wordfile::SignedByteSum16(bytes.data(), kChecksumOffset));
    return bytes;
}

} // namespace custodia
