#pragma once

#include <string_view>

namespace varno {

// What the core asks of the main window.
class WindowPort {
public:
    virtual ~WindowPort() = default;
    virtual void setCaption(std::string_view caption) = 0;
    virtual void setChannelLabel(std::string_view text) = 0;  // Label1
    virtual void setUptime(std::string_view text) = 0;        // lbluptime
    virtual void takeLayoutSnapshot() = 0;
    virtual void beep() = 0;
};

}  // namespace varno
