#include "moderation/idle_message.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace varno {
namespace {

// Ticks until a line is due; returns the tick number and the line.
std::pair<int, std::optional<std::string>> NextLine(IdleMessage& idle, std::string_view setting) {
    for (int tick = 1; tick <= 1000; ++tick) {
        if (auto line = idle.Timer2_Timer(setting)) {
            return {tick, line};
        }
    }
    return {0, std::nullopt};
}

TEST(IdleMessage, EmoteEvery30thTickWithTheIdleSetting) {
    struct Case {
        std::string setting;
        std::string line;
    };
    const Case cases[] = {
        {"away for a while", "/me away for a while - Varno 2.01"},
        {"", "/me  - Varno 2.01"},
    };
    for (const Case& c : cases) {
        IdleMessage idle(Edition::v201());
        for (int round = 0; round < 3; ++round) {
            const auto [tick, line] = NextLine(idle, c.setting);
            EXPECT_EQ(tick, 30) << c.setting << " round " << round;
            EXPECT_EQ(line, c.line) << c.setting;
        }
    }
}

TEST(IdleMessage, SettingIsReadWhenTheLineIsDue) {
    IdleMessage idle(Edition::v201());
    for (int tick = 1; tick < 30; ++tick) {
        EXPECT_EQ(idle.Timer2_Timer("old"), std::nullopt);
    }
    EXPECT_EQ(idle.Timer2_Timer("new"), "/me new - Varno 2.01");
}

TEST(IdleMessage, TrayEditionSendsKeepAlive) {
    IdleMessage idle(Edition::v200());
    for (int round = 0; round < 3; ++round) {
        const auto [tick, line] = NextLine(idle, "ignored");
        EXPECT_EQ(tick, 30);
        EXPECT_EQ(line, "/keepalive");
    }
}

}  // namespace
}  // namespace varno
