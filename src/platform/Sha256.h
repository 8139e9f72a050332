#pragma once

#include <string>
#include <string_view>

namespace custodia {

// The SHA-256 of the bytes, as 64 lower-case hexadecimal digits. The hashing is the system's
// cryptography library's; nothing of it is written here.
std::string Sha256Hex(std::string_view bytes);

} // namespace custodia
