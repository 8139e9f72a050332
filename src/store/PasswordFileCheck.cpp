#include "store/PasswordFileCheck.h"

#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/PasswordFile.h"
#include "store/PasswordImage.h"

#include <vector>

namespace custodia {

using namespace passwordfile;

namespace {

PasswordFileCheck Fault(PasswordFileState state, std::string reason)
{
    return PasswordFileCheck { state, std::move(reason), {} };
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

PasswordFileCheck InspectPasswordFile(const std::string& loginPath, std::vector<unsigned char>* read)
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
    std::vector<unsigned char> bytes;
    if (!file.ReadWhole(bytes, kMaxFileLength))
        return Fault(PasswordFileState::TooLarge, "grew past the limit while it was read");

    PasswordFileCheck check = CheckPasswordImage(PasswordImage(bytes));
    if (read)
        *read = std::move(bytes);
    return check;
}

PasswordFileCheck CheckPasswordImage(const PasswordImage& image)
{
    if (image.Length() > kMaxFileLength)
        return Fault(PasswordFileState::TooLarge, DescribeOversizedPasswordFile(image.Length()));
    if (!image.Header())
        return Fault(PasswordFileState::HeaderShort, DescribeShortPasswordHeader(image.HeaderLength()));
    if (!image.IsPasswordFile())
        return Fault(PasswordFileState::WrongTitle, DescribeWrongPasswordTitle());
    if (const uint64_t torn = (image.Length() - kHeaderSize) % kRecordSize; torn != 0)
        return Fault(PasswordFileState::TornRecord, std::to_string(torn) + " bytes after the last whole record");
    if (const uint32_t inUse = image.RecordsInUse(); inUse != image.Header()->recordCount)
        return Fault(PasswordFileState::CountWrong,
            "record count is " + std::to_string(image.Header()->recordCount) + ", " + std::to_string(inUse)
                + " records in use");
    return {};
}

} // namespace custodia
