#include "log/log_writer.h"

#include <gtest/gtest.h>

#include "connection/settings.h"
#include "support/fakes.h"

namespace varno {
namespace {

using colour::kGreen;
using colour::kWhite;
using colour::kYellow;

struct Logs {
    explicit Logs(const Edition& e) : writer(e, clock, settings.Clear) {}
    test::FakeClock clock;
    Settings settings;
    LogWriter writer;
};

TEST(LogWriter, OneLineBreakAfterTheLastRun) {
    Logs l(Edition::v201());
    l.writer.WriteChat({{kWhite, "[14:03:07] "}, {kGreen, "To alice: "}, {kWhite, "hello"}});
    l.writer.WriteChat({{kYellow, "alone"}});
    EXPECT_EQ(l.writer.main().runs(), (Runs{{kWhite, "[14:03:07] "},
                                            {kGreen, "To alice: "},
                                            {kWhite, "hello\r\n"},
                                            {kYellow, "alone\r\n"}}));
}

TEST(LogWriter, PrefixIsTheTimeOfDayAndTheTrayEditionWritesItItself) {
    Logs full(Edition::v201());
    full.clock.time = {9, 5, 0};
    EXPECT_EQ(full.writer.Prefix(), "[09:05:00] ");
    full.clock.time = {23, 59, 59};
    EXPECT_EQ(full.writer.Prefix(), "[23:59:59] ");

    Logs tray(Edition::v200());
    tray.writer.WriteChat({{kYellow, "info"}});
    tray.writer.WriteWhisper({{kGreen, "whisper"}});
    EXPECT_EQ(tray.writer.main().runs(), (Runs{{kWhite, "[14:03:07] "},
                                               {kYellow, "info\r\n"},
                                               {kWhite, "[14:03:07] "},
                                               {kGreen, "whisper\r\n"}}))
        << "edition 2.00 has one log";
    EXPECT_TRUE(tray.writer.whisper().runs().empty());
}

TEST(LogWriter, ClearButtonEmptiesBothLogsAndWritesANoticeToEach) {
    Logs l(Edition::v201());
    l.writer.Line(LogTarget::Main, kWhite, "old");
    l.writer.Line(LogTarget::Whisper, kWhite, "old whisper");
    l.writer.Command1_Click();
    const Runs notice{{kWhite, "[14:03:07] "}, {kGreen, "Screen Cleared\r\n"}};
    EXPECT_EQ(l.writer.main().runs(), notice);
    EXPECT_EQ(l.writer.whisper().runs(), notice);
}

TEST(LogWriter, AutoClearInTheMiddleOfALineKeepsTheRestOfThatLine) {
    Logs l(Edition::v201());
    l.settings.Clear = "40";
    l.writer.Line(LogTarget::Main, kWhite, std::string(20, 'a'));  // 11 + 20 + 2 = 33
    // The prefix of the next line takes the log to 44 characters, past the threshold.
    l.writer.Line(LogTarget::Main, {{kYellow, "rest"}, {kWhite, "end"}});
    EXPECT_EQ(l.writer.main().runs(), (Runs{{kWhite, "[14:03:07] "},
                                            {kGreen, "Screen Cleared\r\n"},
                                            {kYellow, "rest"},
                                            {kWhite, "end\r\n"}}));
}

// Without a usable Clear the main log is held to 30000 characters, and so is the whisper
// log of either edition, which is cleared without a notice. A log of exactly 30000 stays.
TEST(LogWriter, LogsWithoutAUsableThresholdAreClearedPast30000) {
    const Runs notice{{kWhite, "[14:03:07] "}, {kGreen, "Screen Cleared\r\n"}};
    struct Case {
        const Edition* edition;
        const char* clear;
        LogTarget target;
        bool withNotice;
    };
    for (const Case& c : {Case{&Edition::v201(), "", LogTarget::Main, true},
                          Case{&Edition::v201(), "abc", LogTarget::Main, true},
                          Case{&Edition::v201(), "27", LogTarget::Main, true},
                          Case{&Edition::v201(), "-5", LogTarget::Main, true},
                          Case{&Edition::v201(), "10x", LogTarget::Main, true},
                          Case{&Edition::v201(), "100000", LogTarget::Whisper, false},
                          Case{&Edition::v200(), "", LogTarget::Whisper, false}}) {
        SCOPED_TRACE(std::string(c.edition->name) + " Clear=" + c.clear);
        Logs l(*c.edition);
        l.settings.Clear = c.clear;
        ChatLog& log = c.target == LogTarget::Whisper && c.edition->whisperLog ? l.writer.whisper()
                                                                               : l.writer.main();
        for (int i = 0; i < 300; ++i) {
            l.writer.Line(c.target, kWhite, std::string(87, 'a'));  // 11 + 87 + 2 = 100
        }
        EXPECT_EQ(log.length(), 30000u);
        l.writer.Line(c.target, kYellow, "x");  // its prefix passes 30000
        Runs expected = c.withNotice ? notice : Runs{};
        expected.push_back({kYellow, "x\r\n"});
        EXPECT_EQ(log.runs(), expected);
    }
}

TEST(LogWriter, TrayEditionClearsPast30000WithoutANotice) {
    Logs l(Edition::v200());
    const std::string text(98, 'x');  // 11 + 98 + 2 = 111 characters a line
    std::size_t peak = 0;
    for (int i = 0; i < 300; ++i) {
        l.writer.WriteChat({{kWhite, text}});
        peak = std::max(peak, l.writer.main().length());
    }
    EXPECT_LE(peak, 30000u + 111u);
    EXPECT_LT(l.writer.main().length(), 300u * 111u);
    for (const varno::Run& r : l.writer.main().runs()) {
        EXPECT_EQ(r.text.find("Screen Cleared"), std::string::npos);
    }
}

}  // namespace
}  // namespace varno
