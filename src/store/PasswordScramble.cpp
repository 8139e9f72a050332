#include "store/PasswordScramble.h"

#include <algorithm>

namespace custodia {

namespace {

// The shift is taken modulo 256 like the stored bytes; positions never exceed a field's size.
unsigned char Shift(unsigned char value, size_t position, int direction)
{
    const int shifted = static_cast<int>(value) + direction * (127 - static_cast<int>(position % 256));
    return static_cast<unsigned char>(shifted & 0xFF);
}

} // namespace

std::string ScramblePassword(std::string_view password)
{
    const size_t length = password.size();
    std::string scrambled(length, '\0');
    size_t fromEnd = length;
    size_t fromStart = 0;
    for (size_t i = 0; i < length; ++i) {
        const char source = (i % 2 == 0) ? password[--fromEnd] : password[fromStart++];
        scrambled[i] = static_cast<char>(Shift(static_cast<unsigned char>(source), i, +1));
    }
    return scrambled;
}

std::string UnscramblePassword(std::string_view scrambled)
{
    scrambled = scrambled.substr(0, std::min(scrambled.size(), scrambled.find('\0')));
    const size_t length = scrambled.size();
    std::string password(length, '\0');
    size_t toEnd = length;
    size_t toStart = 0;
    for (size_t i = 0; i < length; ++i) {
        const char plain = static_cast<char>(Shift(static_cast<unsigned char>(scrambled[i]), i, -1));
        if (i % 2 == 0)
            password[--toEnd] = plain;
        else
            password[toStart++] = plain;
    }
    return password;
}

} // namespace custodia
