#include "ui/ItemIcons.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <array>

// The icons are compiled into the UI library, a static library: a program that never names the
// resource would lose it at link time, so it is registered here before the first lookup.
static void RegisterIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(custodia);
        return true;
    }();
    (void)registered;
}

namespace custodia {

namespace {

QIcon ResourceOr(const QString& name, QStyle::StandardPixmap fallback)
{
    RegisterIconResources();
    QIcon icon;
    for (const char* size : { "-16.png", "-32.png" }) {
        const QString path = QStringLiteral(":/icons/") + name + QLatin1String(size);
        if (QFile::exists(path))
            icon.addFile(path);
    }
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

// The presentation buttons have no pictures of their own in the resource file, and the style's are
// alike, so each is drawn: boxes for icons, boxes with a line beside them for the rows of the others.
QIcon DrawnPresentationIcon(ToolbarImage image)
{
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor box(40, 90, 170);
    const QColor line(70, 70, 70);
    const auto entry = [&](int x, int y, int lineLength) {
        painter.fillRect(x, y, 3, 3, box);
        if (lineLength > 0)
            painter.fillRect(x + 4, y + 1, lineLength, 1, line);
    };
    switch (image) {
    case ToolbarImage::LargeIcons:
        for (const int x : { 1, 9 })
            for (const int y : { 1, 9 })
                painter.fillRect(x, y, 6, 6, box);
        break;
    case ToolbarImage::SmallIcons:
        for (const int x : { 1, 9 })
            for (const int y : { 2, 7, 12 })
                entry(x, y, 2);
        break;
    case ToolbarImage::List:
        for (const int y : { 1, 5, 9, 13 })
            entry(1, y, 5);
        for (const int y : { 1, 5, 9 })
            entry(9, y, 5);
        break;
    case ToolbarImage::Details:
        for (const int y : { 1, 5, 9, 13 }) {
            entry(1, y, 4);
            painter.fillRect(10, y + 1, 5, 1, line);
        }
        break;
    case ToolbarImage::CommandPopup:
    case ToolbarImage::HelpBar:
        break;
    }
    return QIcon(pixmap);
}

QIcon LoadItemIcon(ItemImage image)
{
    switch (image) {
    case ItemImage::Root:
        return ResourceOr(QStringLiteral("root"), QStyle::SP_ComputerIcon);
    case ItemImage::LoginPath:
        return ResourceOr(QStringLiteral("loginpath"), QStyle::SP_DirClosedIcon);
    case ItemImage::OpenCategory:
        return ResourceOr(QStringLiteral("category-open"), QStyle::SP_DirOpenIcon);
    case ItemImage::Group:
        return ResourceOr(QStringLiteral("group"), QStyle::SP_FileDialogInfoView);
    case ItemImage::User:
        return ResourceOr(QStringLiteral("user"), QStyle::SP_FileIcon);
    }
    return {};
}

} // namespace

QIcon ItemIcon(ItemImage image)
{
    // Decoding the pictures for every row made long lists slow to fill, so each is made once. Kept for
    // the whole run: icons must not outlive the application object, so they are never destroyed.
    static auto* const icons = new std::array<QIcon, kItemImageCount>;
    QIcon& icon = (*icons)[static_cast<size_t>(image)];
    if (icon.isNull())
        icon = LoadItemIcon(image);
    return icon;
}

QIcon CategoryIcon()
{
    static auto* const cached = new QIcon;
    if (!cached->isNull())
        return *cached;
    QIcon& icon = *cached;
    const QIcon closed = ItemIcon(ItemImage::LoginPath);
    const QIcon open = ItemIcon(ItemImage::OpenCategory);
    for (const int size : { 16, 32 }) {
        icon.addPixmap(closed.pixmap(size, size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size, size), QIcon::Selected);
    }
    return icon;
}

QIcon ToolbarIcon(ToolbarImage image)
{
    switch (image) {
    case ToolbarImage::CommandPopup:
        return ResourceOr(QStringLiteral("addloginpath"), QStyle::SP_FileDialogNewFolder);
    case ToolbarImage::LargeIcons:
    case ToolbarImage::SmallIcons:
    case ToolbarImage::List:
    case ToolbarImage::Details:
        return DrawnPresentationIcon(image);
    case ToolbarImage::HelpBar:
        return ResourceOr(QStringLiteral("helpbar"), QStyle::SP_DialogHelpButton);
    }
    return {};
}

QIcon ApplicationIcon()
{
    return ResourceOr(QStringLiteral("custodia"), QStyle::SP_DesktopIcon);
}

} // namespace custodia
