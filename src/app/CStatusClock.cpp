#include "app/CStatusClock.h"

#include "platform/Platform.h"

#include <QTimer>

#include <array>
#include <cstdio>
#include <string>

namespace custodia {

namespace {

// The date part is put into the time pattern by formatting, hence the escaped time fields.
const char kClockPattern[] = " %s  %%H:%%M:%%S";
const char kDatePattern[] = "%d/%m/%Y";
// Sizes the pane; it is the pattern with its escapes doubled, which is wide enough for any time.
const char kWidthSample[] = "00//00//0000  00:00:00";

std::string ClockFormat()
{
    std::array<char, 64> format {};
    std::snprintf(format.data(), format.size(), kClockPattern, kDatePattern);
    return format.data();
}

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
    static const std::string format = ClockFormat();
    std::array<char, 64> text {};
    const size_t length = std::strftime(text.data(), text.size(), format.c_str(), &time);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(length));
}

} // namespace custodia
