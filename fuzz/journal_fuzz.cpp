#include "FuzzImage.h"

#include "platform/Endian.h"
#include "store/RecordJournal.h"

#include <vector>

using namespace custodia;
using fuzz::Require;

// A journal found beside a record file, as recovery reads it before it writes anything back: a journal
// is taken only when it is whole, and then it is exactly what our own writer makes of what it holds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace recordjournal;
    std::vector<unsigned char> bytes(data, data + size);
    // A zero checksum stands for the right one, so that mutations reach the ranges behind it.
    if (bytes.size() >= kHeaderSize && ReadUint32LE(bytes.data() + kChecksumOffset) == 0)
        WriteUint32LE(bytes.data() + kChecksumOffset, JournalChecksum(bytes));
    const auto journal = RecordJournal::Decode(bytes);
    if (journal)
        Require(journal->Encode() == bytes);
    return 0;
}
