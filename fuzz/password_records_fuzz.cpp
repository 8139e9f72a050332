#include "FuzzImage.h"

#include "store/PasswordFile.h"
#include "store/PasswordScramble.h"
#include "store/UserAccessRecord.h"
#include "store/UserRecord.h"

#include <algorithm>
#include <string>

using namespace custodia;
using fuzz::Require;

namespace {

// A record read and stored unchanged gives back what was read.
template <typename Record> void CheckRoundTrip(const PasswordFileRecord& bytes)
{
    const Record read = Record::Decode(bytes);
    Require(Record::Decode(read.Encode()) == read);
}

void CheckRecord(PasswordFileRecord bytes)
{
    CheckRoundTrip<UserRecord>(bytes);
    CheckRoundTrip<UserAccessRecord>(bytes);
    // Slots outside 0..10 and offices outside 1..100 read as off.
    const UserAccessRecord access = UserAccessRecord::Decode(bytes);
    for (const int slot : { -1, accessrecord::kCurrentDatabaseSlot + 1 })
        Require(!access.IsOfficeSelectionEnabled(slot) && !access.IsOfficeAllowed(slot, 1));
    Require(!access.IsOfficeAllowed(0, 0) && !access.IsOfficeAllowed(0, accessrecord::kMaxOffice + 1));
    ConvertOldUserRecord(bytes);
    Require(!IsOldUserRecord(bytes));
}

// A password that the programs accept comes back from its record as it was typed.
void CheckPassword(std::string_view text)
{
    std::string password(text.substr(0, kMaxPasswordLength));
    for (char& c : password)
        c = static_cast<char>(' ' + static_cast<unsigned char>(c) % 95);
    Require(IsAcceptablePassword(password));
    UserRecord user;
    user.password = password;
    Require(UserRecord::Decode(user.Encode()).password == password);
}

} // namespace

// The bytes of "tessel.pwd" in memory: its header and every whole record through the record layouts,
// whatever type byte the record carries.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < passwordfile::kHeaderSize)
        return 0;
    PasswordFileHeaderBytes headerBytes;
    std::copy_n(data, headerBytes.size(), headerBytes.begin());
    const PasswordFileHeader header = PasswordFileHeader::Decode(headerBytes);
    const PasswordFileHeader again = PasswordFileHeader::Decode(header.Encode());
    Require(again.title == header.title && again.recordCount == header.recordCount);

    for (size_t offset = passwordfile::kFirstRecordOffset; size - offset >= passwordfile::kRecordSize;
         offset += passwordfile::kRecordSize) {
        PasswordFileRecord record;
        std::copy_n(data + offset, record.size(), record.begin());
        CheckRecord(record);
    }
    CheckPassword(std::string_view(reinterpret_cast<const char*>(data), size).substr(passwordfile::kTitleSize));
    return 0;
}
