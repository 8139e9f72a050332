#include "app/CStatusClock.h"

#include "platform/Platform.h"

#include <QDateTime>
#include <QTimer>

namespace custodia {

namespace {

// A leading blank, the date with slashes, two blanks and the time with seconds.
const QString kClockPattern = QStringLiteral(" dd/MM/yyyy  HH:mm:ss");
// Sizes the pane: wide enough for any date and time of the pattern.
const char kWidthSample[] = "00//00//0000  00:00:00";

} // namespace

CStatusClock::CStatusClock(QWidget* parent)
    : QLabel(parent)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("statusClock"));
    setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromLatin1(kWidthSample)));
    m_timer->setObjectName(QStringLiteral("clockTimer"));
    m_timer->setInterval(kPeriodMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &CStatusClock::Tick);
    m_timer->start();
    Tick();
}

void CStatusClock::Tick()
{
    if (const std::optional<std::tm> now = CurrentLocalTime())
        setText(Format(*now));
}

QString CStatusClock::Format(const std::tm& time)
{
    const QDate date(time.tm_year + 1900, time.tm_mon + 1, time.tm_mday);
    const QTime clock(time.tm_hour, time.tm_min, time.tm_sec);
    return QDateTime(date, clock).toString(kClockPattern);
}

} // namespace custodia
