#pragma once

#include "FuzzImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace custodia::fuzz {

// The store's readers take file names, so each input is written to a file of this process's own
// scratch folder first, on tmpfs (/dev/shm) where there is one. The folder is also the current
// directory, so error logs stay out of the way; it goes when the fuzzer ends.
std::string ScratchFolder();
// Writes the input under fileName in the scratch folder; returns its path. Each input also starts the
// error log afresh, so that a long run does not fill tmpfs with log lines.
std::string WriteInput(const std::string& fileName, const uint8_t* data, size_t size);
std::string WriteInput(const std::string& fileName, const std::vector<unsigned char>& bytes);

} // namespace custodia::fuzz
