#include "helpbar/HelpBarHeader.h"

#include <QFontMetrics>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

namespace custodia {

namespace {

constexpr int kTitleHeight = 30;
constexpr QSize kButtonSize(22, 22);
constexpr int kButtonTop = 2;
constexpr int kCloseRightInset = 4;
constexpr int kButtonGap = 8;

QToolButton* MakeButton(const char* name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFixedSize(kButtonSize);
    button->setIconSize(QSize(16, 16));
    return button;
}

} // namespace

HelpBarHeader::HelpBarHeader(const QString& title, const QPixmap& logo, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_logo(logo)
    , m_titleFont(QStringLiteral("Arial"))
{
    setObjectName(QStringLiteral("helpBarHeader"));
    m_titleFont.setPixelSize(kTitleHeight);
    m_titleFont.setBold(true);
    m_titleFont.setStyleStrategy(QFont::PreferQuality);
    // The close button comes last in the tab order, as it is the rightmost.
    m_expand = MakeButton("expandHelpBar", this);
    m_close = MakeButton("closeHelpBar", this);
    PlaceButtons();
}

QRect HelpBarHeader::LogoRect() const
{
    return QRect(QPoint(kInset, kInset), m_logo.size());
}

QPoint HelpBarHeader::TitlePosition() const
{
    return QPoint(LogoRect().right() + 1 + kTitleGap, LogoRect().top());
}

QSize HelpBarHeader::sizeHint() const
{
    return minimumSizeHint();
}

QSize HelpBarHeader::minimumSizeHint() const
{
    const QFontMetrics metrics(m_titleFont);
    const int buttons = kButtonGap + 2 * kButtonSize.width() + kButtonGap + kCloseRightInset;
    const int width = TitlePosition().x() + metrics.horizontalAdvance(m_title) + 1 + buttons;
    const int height = kInset + std::max({ m_logo.height(), metrics.height() + 1, kButtonSize.height() }) + kInset;
    return QSize(width, height);
}

void HelpBarHeader::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceButtons();
}

void HelpBarHeader::PlaceButtons()
{
    const int right = width() - kCloseRightInset;
    m_close->move(right - m_close->width(), kButtonTop);
    m_expand->move(width() - m_close->width() - kButtonGap - m_expand->width(), kButtonTop);
}

void HelpBarHeader::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!m_logo.isNull())
        painter.drawPixmap(LogoRect().topLeft(), m_logo);
    painter.setFont(m_titleFont);
    const QPoint title = TitlePosition() + QPoint(0, QFontMetrics(m_titleFont).ascent());
    // White first, then black one pixel up and to the left: a light shadow under the title.
    painter.setPen(Qt::white);
    painter.drawText(title, m_title);
    painter.setPen(Qt::black);
    painter.drawText(title - QPoint(1, 1), m_title);
}

} // namespace custodia
