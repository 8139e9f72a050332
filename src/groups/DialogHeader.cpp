#include "groups/DialogHeader.h"

#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QWidget>

namespace custodia {

QWidget* MakeDialogHeader(const QString& text, QWidget* parent)
{
    auto* header = new QWidget(parent);
    auto* icon = new QLabel(header);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/group-32.png")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(text, header);
    label->setObjectName(QStringLiteral("headerText"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* line = new QFrame(header);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* layout = new QGridLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(label, 0, 1);
    layout->addWidget(line, 1, 1);
    layout->setColumnStretch(1, 1);
    return header;
}

} // namespace custodia
