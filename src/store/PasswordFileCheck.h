#pragma once

#include <cstddef>
#include <string>

namespace custodia {

// The state of a login path's "tessel.pwd", for people checking their files.
enum class PasswordFileState {
    Sound,
    Missing,
    Unreadable,
    HeaderShort, // fewer than 54 bytes
    WrongTitle,
    TornRecord, // bytes after the last whole record, which no reader sees
    CountWrong, // the header's count differs from the records in use
};

struct PasswordFileCheck {
    PasswordFileState state = PasswordFileState::Sound;
    std::string reason; // empty when sound

    bool IsSound() const { return state == PasswordFileState::Sound; }
};

// The reasons given for a file the store cannot use, in one wording for every reader.
std::string DescribeUnopenablePasswordFile();
std::string DescribeShortPasswordHeader(size_t length);
std::string DescribeWrongPasswordTitle();

// Reads the file once, sharing it, and reports the first fault found.
PasswordFileCheck InspectPasswordFile(const std::string& loginPath);

} // namespace custodia
