#include "ui/BitmapPixmap.h"

#include "parsers/BitmapFile.h"

#include <QImage>

namespace custodia {

QPixmap ToPixmap(const BitmapFile& bitmap)
{
    if (!bitmap.HasBitmap())
        return {};
    const DecodedBitmap& decoded = bitmap.GetBitmap();
    // The decoder's 0xAARRGGBB words are what Format_RGB32 holds per pixel. The image only borrows
    // them, and a pixmap may share an image's pixels rather than copy them, so it gets a deep copy that
    // outlives the bitmap file.
    const QImage borrowed(reinterpret_cast<const uchar*>(decoded.pixels.data()), decoded.width, decoded.height,
        decoded.width * 4, QImage::Format_RGB32);
    return QPixmap::fromImage(borrowed.copy());
}

} // namespace custodia
