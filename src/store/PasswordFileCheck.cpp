#include "store/PasswordFileCheck.h"

#include "platform/Platform.h"
#include "store/PasswordFile.h"
#include "store/SharedFile.h"

#include <vector>

namespace custodia {

using namespace passwordfile;

namespace {

PasswordFileCheck Fault(PasswordFileState state, std::string reason)
{
    return PasswordFileCheck { state, std::move(reason), {} };
}

uint64_t CountRecordsInUse(const std::vector<unsigned char>& bytes)
{
    uint64_t inUse = 0;
    for (size_t offset = kFirstRecordOffset; offset + kRecordSize <= bytes.size(); offset += kRecordSize) {
        const uint8_t type = bytes[offset + kRecordTypeOffset];
        if (type == kUserRecordType || type == kAccessRecordType)
            ++inUse;
    }
    return inUse;
}

} // namespace

std::string DescribeUnopenablePasswordFile(const OpenError& error)
{
    return "cannot be opened: " + DescribeOpenError(error);
}

std::string DescribeOversizedPasswordFile(uint64_t length)
{
    return std::to_string(length) + " bytes, more than the " + std::to_string(kMaxRecordCount)
        + " records a password file may hold";
}

std::string DescribeShortPasswordHeader(size_t length)
{
    return "header is " + std::to_string(length) + " bytes, " + std::to_string(kHeaderSize) + " expected";
}

std::string DescribeWrongPasswordTitle()
{
    return std::string("title is not \"") + kTitle + "\"";
}

PasswordFileCheck InspectPasswordFile(const std::string& loginPath)
{
    const std::string path = PasswordFilePath(loginPath);
    if (!FileExists(path))
        return Fault(PasswordFileState::Missing, "no such file");
    SharedFile file;
    if (!file.OpenWithRetry(path, openflags::kBinary | openflags::kRead | openflags::kShareDenyNone)) {
        PasswordFileCheck check
            = Fault(PasswordFileState::Unreadable, DescribeUnopenablePasswordFile(file.LastOpenError()));
        check.openError = file.LastOpenError();
        return check;
    }
    if (file.GetLength() > kMaxFileLength)
        return Fault(PasswordFileState::TooLarge, DescribeOversizedPasswordFile(file.GetLength()));
    // Read to the end rather than trusting the length, which another program may be changing.
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    for (size_t got; bytes.size() <= kMaxFileLength && (got = file.Read(chunk, sizeof chunk)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + got);
    if (bytes.size() > kMaxFileLength)
        return Fault(PasswordFileState::TooLarge, "grew past the limit while it was read");

    if (bytes.size() < kHeaderSize)
        return Fault(PasswordFileState::HeaderShort, DescribeShortPasswordHeader(bytes.size()));
    PasswordFileHeaderBytes headerBytes {};
    std::copy_n(bytes.begin(), kHeaderSize, headerBytes.begin());
    const PasswordFileHeader header = PasswordFileHeader::Decode(headerBytes);
    if (!header.HasValidTitle())
        return Fault(PasswordFileState::WrongTitle, DescribeWrongPasswordTitle());
    if (const size_t torn = (bytes.size() - kHeaderSize) % kRecordSize; torn != 0)
        return Fault(PasswordFileState::TornRecord, std::to_string(torn) + " bytes after the last whole record");
    if (const uint64_t inUse = CountRecordsInUse(bytes); inUse != header.recordCount)
        return Fault(PasswordFileState::CountWrong,
            "record count is " + std::to_string(header.recordCount) + ", " + std::to_string(inUse) + " records in use");
    return {};
}

} // namespace custodia
