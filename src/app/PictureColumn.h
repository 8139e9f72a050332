#pragma once

#include <QSize>

class QLabel;
class QPixmap;
class QVBoxLayout;
class QWidget;

namespace custodia {

// The left column of the log-on and support dialogs: a frame where the dialog paints its picture, and
// the notice line under it, as wide as the picture.
struct PictureColumn {
    enum class NoticePlace {
        UnderPicture, // right under the picture, the rest of the column left empty
        AtBottom, // at the foot of the column, level with the dialog's buttons
    };

    QWidget* frame = nullptr;
    QLabel* notice = nullptr;
    QVBoxLayout* layout = nullptr;
};

// Without a picture the frame keeps the given size and shows its outline, so the layout stays as it
// would be with one.
PictureColumn MakePictureColumn(
    QWidget* parent, const QPixmap& picture, QSize sizeWithoutPicture, PictureColumn::NoticePlace place);

} // namespace custodia
