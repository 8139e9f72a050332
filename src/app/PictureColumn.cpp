#include "app/PictureColumn.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace custodia {

PictureColumn MakePictureColumn(
    QWidget* parent, const QPixmap& picture, QSize sizeWithoutPicture, PictureColumn::NoticePlace place)
{
    PictureColumn column;
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("pictureFrame"));
    frame->setFixedSize(picture.isNull() ? sizeWithoutPicture : picture.size());
    // The painted picture takes the frame's place; the frame itself only shows when there is none.
    frame->setFrameShape(picture.isNull() ? QFrame::Box : QFrame::NoFrame);
    column.frame = frame;

    column.notice = new QLabel(parent);
    column.notice->setObjectName(QStringLiteral("notice"));
    column.notice->setAlignment(Qt::AlignCenter);
    column.notice->setWordWrap(true);
    column.notice->setFixedWidth(frame->width());

    column.layout = new QVBoxLayout;
    column.layout->addWidget(frame);
    if (place == PictureColumn::NoticePlace::AtBottom)
        column.layout->addStretch();
    column.layout->addWidget(column.notice);
    if (place == PictureColumn::NoticePlace::UnderPicture)
        column.layout->addStretch();
    return column;
}

} // namespace custodia
