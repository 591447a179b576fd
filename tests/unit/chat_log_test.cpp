#include "log/chat_log.h"

#include <gtest/gtest.h>

#include <string>

#include "connection/settings.h"
#include "log/log_writer.h"
#include "support/fakes.h"

namespace varno {
namespace {

using colour::kGreen;
using colour::kRed;
using colour::kWhite;
using colour::kYellow;

// Cleared runs lend their storage to later ones; none of their text may show through.
TEST(ChatLog, RunsAfterAClearHoldOnlyTheirOwnText) {
    ChatLog log;
    log.append(kRed, std::string(200, 'a'));
    log.append(kGreen, {"bb", std::string(100, 'b')}, "\r\n");
    log.append(kWhite, "c");
    log.clear();
    log.append(kYellow, "x");
    log.append(kGreen, {"y", "", "z"}, "\r\n");
    log.append(kRed, {});
    log.append(kWhite, std::string(300, 'd'));
    EXPECT_EQ(
        log.runs(),
        (Runs{{kYellow, "x"}, {kGreen, "yz\r\n"}, {kRed, ""}, {kWhite, std::string(300, 'd')}}));
    EXPECT_EQ(log.length(), 1u + 4u + 300u);
    EXPECT_EQ(log.text(), "xyz\r\n" + std::string(300, 'd'));
}

struct Logs {
    explicit Logs(const Edition& e) : writer(e, clock, settings.Clear) {}
    test::FakeClock clock;
    Settings settings;
    LogWriter writer;
};

TEST(ChatLog, JoinedLinesAreTheRunsOfTheSameLineGivenWhole) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        Logs joined(*edition);
        Logs whole(*edition);
        joined.writer.JoinedLine(
            LogTarget::Main,
            {{kWhite, {"<"}}, {kYellow, {"bob"}}, {kWhite, {"> ", "hi", " there"}}});
        whole.writer.Line(LogTarget::Main,
                          {{kWhite, "<"}, {kYellow, "bob"}, {kWhite, "> hi there"}});
        joined.writer.JoinedLine(LogTarget::Whisper, {{kGreen, {"From ", "bob", ": "}}});
        whole.writer.Line(LogTarget::Whisper, kGreen, "From bob: ");
        EXPECT_EQ(joined.writer.main().runs(), whole.writer.main().runs()) << edition->name;
        EXPECT_EQ(joined.writer.whisper().runs(), whole.writer.whisper().runs()) << edition->name;
        EXPECT_EQ(joined.writer.main().runs().at(2).text, "bob");
    }
}

TEST(ChatLog, AutoClearFollowsTheClearSettingAsItChanges) {
    Logs l(Edition::v201());
    const auto lineAfterLine = [&](int lines) {
        std::size_t peak = 0;
        for (int i = 0; i < lines; ++i) {
            l.writer.Line(LogTarget::Main, kWhite, "a line of text");  // 27 characters
            peak = std::max(peak, l.writer.main().length());
        }
        return peak;
    };
    l.settings.Clear = "1000";
    EXPECT_LE(lineAfterLine(100), 1000u + 27u);
    l.settings.Clear = "100";
    EXPECT_LE(lineAfterLine(20), 100u + 27u);
    l.settings.Clear = "none";
    const std::size_t before = l.writer.main().length();
    lineAfterLine(50);
    EXPECT_EQ(l.writer.main().length(), before + 50u * 27u) << "no usable threshold: no clear";
}

}  // namespace
}  // namespace varno
