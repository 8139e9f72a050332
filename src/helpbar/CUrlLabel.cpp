#include "helpbar/CUrlLabel.h"

#include "helpbar/HyperlinkError.h"
#include "ui/ApplicationName.h"
#include "ui/UiServices.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

namespace custodia {

CUrlLabel::CUrlLabel(UiServices& ui, QWidget* parent)
    : QLabel(parent)
    , m_ui(ui)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMouseTracking(true);
    // Room for the focus frame around the text.
    setContentsMargins(2, 1, 2, 1);
    m_hoverTimer = new QTimer(this);
    m_hoverTimer->setObjectName(QStringLiteral("hoverTimer"));
    m_hoverTimer->setInterval(kHoverCheckInterval);
    connect(m_hoverTimer, &QTimer::timeout, this, &CUrlLabel::CheckPointerStillOver);
    UpdateLook();
}

CUrlLabel::~CUrlLabel()
{
    m_hoverTimer->stop();
}

void CUrlLabel::SetURL(const QString& target)
{
    m_target = target;
    setToolTip(Target());
    setAccessibleDescription(Target());
}

QString CUrlLabel::Target() const
{
    return m_target.isEmpty() ? text() : m_target;
}

QColor CUrlLabel::TextColour() const
{
    if (m_hovering)
        return kHoverColour;
    return m_visited ? kVisitedColour : kLinkColour;
}

bool CUrlLabel::event(QEvent* event)
{
    // The tooltip and the screen reader's name follow the text while no target of its own is set.
    if (event->type() == QEvent::ToolTip && m_target.isEmpty())
        setToolTip(text());
    return QLabel::event(event);
}

void CUrlLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_hovering)
        StartHovering();
    QLabel::mouseMoveEvent(event);
}

void CUrlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        Open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CUrlLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        Open();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void CUrlLabel::StartHovering()
{
    m_hovering = true;
    UpdateLook();
    m_hoverTimer->start();
}

void CUrlLabel::StopHovering()
{
    m_hovering = false;
    m_hoverTimer->stop();
    UpdateLook();
}

// A timer rather than the leave event alone: a pointer that jumps off the window, or moves while
// another window grabs it, sends this label no further message.
void CUrlLabel::CheckPointerStillOver()
{
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        StopHovering();
}

void CUrlLabel::Open()
{
    m_hovering = false;
    m_hoverTimer->stop();
    const int result = m_ui.OpenLink(Target());
    m_visited = LinkOpenSucceeded(result);
    UpdateLook();
    if (!m_visited) {
        QApplication::beep();
        m_ui.ShowMessage(this, HyperlinkErrorText(result), QString::fromLatin1(kApplicationName),
            UiServices::Icon::Warning, UiServices::Buttons::Ok);
    }
}

void CUrlLabel::UpdateLook()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, TextColour());
    setPalette(palette);
    QFont font = this->font();
    font.setUnderline(m_hovering);
    setFont(font);
    update();
}

void CUrlLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Keyboard users see which link Enter would open.
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace custodia
