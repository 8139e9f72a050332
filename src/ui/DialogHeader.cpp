#include "ui/DialogHeader.h"

#include <QBoxLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

namespace custodia {

namespace {

constexpr int kHeaderIconSize = 32;

} // namespace

void AddDialogHeader(QBoxLayout& layout, const QIcon& icon, const QString& text)
{
    QWidget* owner = layout.parentWidget();
    auto* picture = new QLabel(owner);
    picture->setPixmap(icon.pixmap(kHeaderIconSize, kHeaderIconSize));
    picture->setAlignment(Qt::AlignTop);
    auto* header = new QLabel(text, owner);
    header->setObjectName(QStringLiteral("header"));
    header->setWordWrap(true);
    header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(header, 1);
    layout.addLayout(row);

    auto* line = new QFrame(owner);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout.addWidget(line);
}

} // namespace custodia
