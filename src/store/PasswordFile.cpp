#include "store/PasswordFile.h"

#include "platform/Endian.h"
#include "platform/Platform.h"
#include "store/FixedText.h"

namespace custodia {

using namespace passwordfile;

PasswordFileHeader PasswordFileHeader::Decode(const PasswordFileHeaderBytes& bytes)
{
    PasswordFileHeader header;
    header.title = ReadFixedText(bytes.data() + kTitleOffset, kTitleSize);
    header.recordCount = ReadUint32LE(bytes.data() + kRecordCountOffset);
    return header;
}

PasswordFileHeaderBytes PasswordFileHeader::Encode() const
{
    PasswordFileHeaderBytes bytes {};
    WriteFixedText(bytes.data() + kTitleOffset, kTitleSize, title);
    WriteUint32LE(bytes.data() + kRecordCountOffset, recordCount);
    return bytes;
}

std::string PasswordFilePath(const std::string& loginPath)
{
    return JoinPath(loginPath, kFileName);
}

} // namespace custodia
