#pragma once

#include "parsers/BitmapDecoder.h"

#include <optional>
#include <string>

namespace custodia {

// A picture loaded at run time from a bitmap file beside the program ("splash.bmp",
// "helpbarlogo.bmp"), so that an installation can change it without a new build.
class BitmapFile final {
public:
    // Reads and decodes the file; false, and no picture, if it cannot be opened or is not a bitmap this
    // reader takes. A bare name is looked for in the current directory. Opened once, without the
    // retries and the log line of the shared files: a missing picture only leaves a blank.
    bool LoadBitmapFile(const std::string& fileName);

    bool HasBitmap() const { return m_bitmap.has_value(); }
    // The picture of the last successful load; only valid while HasBitmap().
    const DecodedBitmap& GetBitmap() const { return *m_bitmap; }

    // The path as passed in, the folder before its last separator (empty if it has none) and the name
    // after it (the whole path if it has none).
    const std::string& GetPathName() const { return m_pathName; }
    const std::string& GetFolder() const { return m_folder; }
    const std::string& GetFileName() const { return m_fileName; }

private:
    void SetPath(const std::string& path);

    std::string m_pathName;
    std::string m_folder;
    std::string m_fileName;
    std::optional<DecodedBitmap> m_bitmap;
};

} // namespace custodia
