#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace custodia {

// "default.lan": which language is in force, by the extension of its word and help files.
struct Language {
    std::string name;
    std::string extension;
};

namespace languagefile {
inline constexpr const char* kFileName = "default.lan";
inline constexpr size_t kNameOffset = 100; // bytes 0..99 are free, covered by the checksum
inline constexpr size_t kNameSize = 100;
inline constexpr size_t kExtensionOffset = 200;
inline constexpr size_t kExtensionSize = 4;
inline constexpr size_t kMaxExtensionLength = 3;
inline constexpr size_t kChecksumOffset = 204; // covers bytes 0..203
inline constexpr size_t kFileSize = 206;
} // namespace languagefile

// The language of a whole 206-byte image, or nothing when the size or the checksum is wrong, or when a
// text field lacks its terminator. An extension holding a path separator is refused too: it becomes
// part of file names.
std::optional<Language> ParseLanguageFile(const std::vector<unsigned char>& bytes);

// The 206-byte image naming a language. Throws std::invalid_argument for a name of 100 bytes or more or
// an extension of more than 3.
std::vector<unsigned char> BuildLanguageFile(const Language& language);

} // namespace custodia
