#pragma once

#include <QLabel>
#include <QString>

#include <ctime>

class QTimer;

namespace custodia {

// The clock pane of the status bar: the local date and time, refreshed every second.
class CStatusClock final : public QLabel {
    Q_OBJECT

public:
    static constexpr int kPeriodMilliseconds = 1000;

    explicit CStatusClock(QWidget* parent = nullptr);

    // Reads the (replaceable) local clock and shows it.
    void Tick();
    const QTimer& Timer() const { return *m_timer; }

    static QString Format(const std::tm& time);

private:
    QTimer* m_timer;
};

} // namespace custodia
