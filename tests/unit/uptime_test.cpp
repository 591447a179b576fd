#include "moderation/uptime.h"

#include <gtest/gtest.h>

#include <string>

namespace varno {
namespace {

TEST(Uptime, TextAfterTicks) {
    struct Case {
        long ticks;
        std::string text;
    };
    const Case cases[] = {
        {0, "0 day 0 hour 0 minute 0 second"},
        {1, "0 day 0 hour 0 minute 1 second"},
        {2, "0 day 0 hour 0 minute 2 seconds"},
        {59, "0 day 0 hour 0 minute 59 seconds"},
        {60, "0 day 0 hour 1 minute 0 second"},
        {3599, "0 day 0 hour 59 minutes 59 seconds"},
        {3600, "0 day 1 hour 0 minute 0 second"},
        {7200, "0 day 2 hours 0 minute 0 second"},
        {86400, "1 day 0 hour 0 minute 0 second"},
        {26 * 3600 + 2 * 60 + 1, "1 day 2 hours 2 minutes 1 second"},
        {172800, "2 days 0 hour 0 minute 0 second"},
        {10 * 86400 + 11 * 3600 + 12 * 60 + 13, "10 days 11 hours 12 minutes 13 seconds"},
    };
    Uptime uptime;
    long ticked = 0;
    for (const Case& c : cases) {
        for (; ticked < c.ticks; ++ticked) {
            uptime.Timer1_Timer();
        }
        EXPECT_EQ(uptime.text(), c.text) << c.ticks;
    }
}

}  // namespace
}  // namespace varno
