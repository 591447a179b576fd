#pragma once

namespace varno {

// A repeating timer of the main window. An interval of 0 never ticks.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

}  // namespace varno
