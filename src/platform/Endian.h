#pragma once

#include <cstdint>

namespace custodia {

// Little-endian integers in stored layouts, encoded by hand so no layout depends on the host.
inline uint16_t ReadUint16LE(const unsigned char* bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t ReadUint32LE(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8)
        | (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline int32_t ReadInt32LE(const unsigned char* bytes)
{
    return static_cast<int32_t>(ReadUint32LE(bytes));
}

inline void WriteUint16LE(unsigned char* bytes, uint16_t value)
{
    bytes[0] = static_cast<unsigned char>(value & 0xFF);
    bytes[1] = static_cast<unsigned char>(value >> 8);
}

inline void WriteUint32LE(unsigned char* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

inline void WriteInt32LE(unsigned char* bytes, int32_t value)
{
    WriteUint32LE(bytes, static_cast<uint32_t>(value));
}

} // namespace custodia
