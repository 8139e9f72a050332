#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace custodia {

// The state of a login path's "tessel.pwd", for people checking their files.
enum class PasswordFileState {
    Sound,
    Missing,
    Unreadable, // could not be opened: see openError
    TooLarge, // more records than any password file holds
    HeaderShort, // fewer than 54 bytes
    WrongTitle,
    TornRecord, // bytes after the last whole record, which no reader sees
    CountWrong, // the header's count differs from the records in use
};

struct PasswordFileCheck {
    PasswordFileState state = PasswordFileState::Sound;
    std::string reason; // empty when sound
    OpenError openError; // why it could not be opened

    bool IsSound() const { return state == PasswordFileState::Sound; }
};

// The reasons given for a file the store cannot use, in one wording for every reader.
std::string DescribeUnopenablePasswordFile(const OpenError& error);
std::string DescribeOversizedPasswordFile(uint64_t length);
std::string DescribeShortPasswordHeader(size_t length);
std::string DescribeWrongPasswordTitle();

class PasswordImage;

// Reads the file once, sharing it, and reports the first fault found.
// When `bytes` is given, it gets what was read, so that a caller need not read the file again.
PasswordFileCheck InspectPasswordFile(const std::string& loginPath, std::vector<unsigned char>* bytes = nullptr);
// The same checks of the bytes in memory (every fault but Missing and Unreadable).
PasswordFileCheck CheckPasswordImage(const PasswordImage& image);

} // namespace custodia
