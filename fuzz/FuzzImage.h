#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace custodia::fuzz {

// Ends the run as a finding when a property the code promises does not hold.
void Require(bool condition);

// The input as a record file. A zero checksum stands for the right one and a zero stored length for the
// true length, so that mutated files get past the readers' check to their records without the fuzzer
// having to find the checksum; a file with a real checksum is taken as it is.
std::vector<unsigned char> SealedRecordImage(const uint8_t* data, size_t size);

// Whether an input goes on from the readers to the writers: when its record image is sound (writers
// refuse a damaged file at once), and for one damaged input in sixteen, so the refusals stay covered.
bool ShouldWrite(const std::vector<unsigned char>& image);

} // namespace custodia::fuzz
