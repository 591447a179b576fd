#include "client/timer_qtcore.h"

namespace varno {

QtTimer::QtTimer(std::function<void()> tick, Qt::TimerType type) {
    timer_.setTimerType(type);
    QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
}

void QtTimer::setInterval(int ms) {
    interval_ = ms;
    timer_.stop();  // a new interval starts counting afresh
    apply();
}

void QtTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void QtTimer::apply() {
    if (enabled_ && interval_ > 0) {
        if (!timer_.isActive() || timer_.interval() != interval_) {
            timer_.start(interval_);
        }
    } else {
        timer_.stop();
    }
}

}  // namespace varno
