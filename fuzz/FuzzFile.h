#pragma once

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

// The input as a record file. A zero checksum stands for the right one and a zero stored length for the
// true length, so that mutated files get past the readers' check to their records without the fuzzer
// having to find the checksum; a file with a real checksum is taken as it is.
std::vector<unsigned char> SealedRecordImage(const uint8_t* data, size_t size);

// Whether an input goes on from the readers to the writers: when its record image is sound (writers
// refuse a damaged file at once), and for one damaged input in sixteen, so the refusals stay covered.
bool ShouldWrite(const std::vector<unsigned char>& image);

} // namespace custodia::fuzz
