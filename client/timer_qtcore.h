#pragma once

#include <QTimer>
#include <functional>

#include "base/timer.h"

namespace varno {

// A timer of the main window on a QTimer. An interval of 0 never ticks. A coarse timer may
// tick a little early or late, which saves wake-ups; a precise one keeps to the millisecond.
class QtTimer : public Timer {
public:
    explicit QtTimer(std::function<void()> tick, Qt::TimerType type = Qt::CoarseTimer);

    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }

private:
    void apply();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

}  // namespace varno
