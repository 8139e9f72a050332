#include "parsers/BitmapFile.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"

#include <vector>

namespace custodia {

namespace {

// Larger than any picture the size limits let through, so a huge file is refused before it is read.
constexpr uint64_t kMaxFileSize = 4 * bitmaplayout::kMaxPixelCount + (uint64_t { 1 } << 20);

} // namespace

bool BitmapFile::LoadBitmapFile(const std::string& fileName)
{
    m_bitmap.reset();
    SetPath(fileName);
    File file;
    if (file.OpenOnce(fileName, openflags::kRead | openflags::kShareDenyNone | openflags::kBinary) != 0)
        return false;
    std::vector<unsigned char> bytes;
    try {
        const uint64_t length = file.GetLength();
        if (length > kMaxFileSize)
            return false;
        bytes.resize(static_cast<size_t>(length));
        if (file.Read(bytes.data(), bytes.size()) != bytes.size())
            return false;
    } catch (const FileException&) {
        return false; // a picture that cannot be read is a blank, never an error the user must answer
    }
    file.Close();
    m_bitmap = DecodeBitmap(bytes);
    return m_bitmap.has_value();
}

void BitmapFile::SetPath(const std::string& path)
{
    m_pathName = path;
    const size_t separator = path.rfind(kPathSeparator);
    if (separator == std::string::npos) {
        m_folder.clear();
        m_fileName = path;
    } else {
        m_folder = path.substr(0, separator);
        m_fileName = path.substr(separator + 1);
    }
}

} // namespace custodia
