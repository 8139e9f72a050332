#pragma once

#include <QPixmap>

namespace custodia {

class BitmapFile;

// The screen picture of a loaded bitmap file; a null pixmap if the file gave none.
QPixmap ToPixmap(const BitmapFile& bitmap);

} // namespace custodia
