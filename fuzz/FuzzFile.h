#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace custodia::fuzz {

// The readers under test take file names, so each input is written to a file of this process's own
// scratch folder first, on tmpfs (/dev/shm) where there is one. The folder is also the current
// directory, so error logs stay out of the way.
std::string ScratchFolder();
std::string WriteInput(const std::string& fileName, const uint8_t* data, size_t size);

} // namespace custodia::fuzz
