#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connection/settings.h"
#include "headless/terminal_sink.h"
#include "log/line_text.h"
#include "log/log_writer.h"
#include "log/terminal_text.h"
#include "support/fakes.h"

namespace varno {
namespace {

using colour::kGreen;
using colour::kLightGrey;
using colour::kRed;
using colour::kWhite;

struct Taken {
    Runs line;
    bool whisper;
};

struct Recorder : LogSink {
    void onLine(const Runs& line, bool whisper) override { lines.push_back({line, whisper}); }
    std::vector<Taken> lines;
};

struct Logs {
    explicit Logs(const Edition& e) : writer(e, clock, settings.Clear) { writer.addSink(sink); }
    test::FakeClock clock;
    Settings settings;
    LogWriter writer;
    Recorder sink;
};

// Each sink gets each line once, whole, with its runs and colours and the log it went to;
// an edition without a whisper log writes whispers to the main log, unmarked.
TEST(LogSink, GetsWholeLinesAndWhetherTheyWentToTheWhisperLog) {
    for (const Edition* e : {&Edition::v201(), &Edition::v200()}) {
        Logs l(*e);
        Recorder second;
        l.writer.addSink(second);
        l.writer.Line(LogTarget::Main, {{kGreen, "To "}, {kWhite, "hi"}});
        l.writer.Line(LogTarget::Whisper, kGreen, "From bob: ");
        ASSERT_EQ(l.sink.lines.size(), 2u) << e->name;
        EXPECT_EQ(l.sink.lines[0].line,
                  (Runs{{kWhite, "[14:03:07] "}, {kGreen, "To "}, {kWhite, "hi\r\n"}}));
        EXPECT_FALSE(l.sink.lines[0].whisper);
        EXPECT_EQ(l.sink.lines[1].line,
                  (Runs{{kWhite, "[14:03:07] "}, {kGreen, "From bob: \r\n"}}));
        EXPECT_EQ(l.sink.lines[1].whisper, e->whisperLog) << e->name;
        EXPECT_EQ(second.lines.size(), 2u);
        l.writer.removeSink(second);
        l.writer.Line(LogTarget::Main, kRed, "x");
        EXPECT_EQ(second.lines.size(), 2u);
        EXPECT_EQ(l.sink.lines.size(), 3u);
    }
}

// The auto-clear empties the view in the middle of a line and writes its notice there; the
// sink gets the notice first and then the interrupted line whole, none of its runs lost.
TEST(LogSink, ALineCutByTheAutoClearArrivesWholeAfterTheNotice) {
    Logs l(Edition::v201());
    l.settings.Clear = "40";
    l.writer.Line(LogTarget::Main, kWhite, std::string(20, 'a'));  // 33 characters
    l.writer.Line(LogTarget::Main, {{kGreen, "bob"}, {kWhite, " says hi"}});
    ASSERT_EQ(l.sink.lines.size(), 3u);
    EXPECT_EQ(l.sink.lines[1].line,
              (Runs{{kWhite, "[14:03:07] "}, {kGreen, "Screen Cleared\r\n"}}));
    EXPECT_EQ(l.sink.lines[2].line,
              (Runs{{kWhite, "[14:03:07] "}, {kGreen, "bob"}, {kWhite, " says hi\r\n"}}));
    EXPECT_EQ(l.writer.main().text(),
              "[14:03:07] Screen Cleared\r\nbob says hi\r\n");  // the view lost the prefix
}

TEST(LineText, ShowsControlsAsSymbolsAndMarksWhispersAfterTheTimestamp) {
    struct Case {
        Runs line;
        bool whisper;
        std::string plain;
    };
    const Case cases[] = {
        {{{kWhite, "[01:02:03] "}, {kWhite, "hi\r\n"}}, false, "[01:02:03] hi\n"},
        {{{kWhite, "[01:02:03] "}, {kGreen, "From bob: "}, {kWhite, "yo\r\n"}},
         true,
         "[01:02:03] (whisper) From bob: yo\n"},
        // ESC, BEL, a lone CR and LF inside the text, DEL, and a C1 CSI (UTF-8 C2 9B).
        {{{kWhite, "[01:02:03] "},
          {kWhite,
           "a\x1b[2Jb\x07\rc\nd\x7f\xc2\x9b"
           "e\r\n"}},
         false,
         "[01:02:03] a\u241b[2Jb\u2407\u240dc\u240ad\u2421\ufffde\n"},
        // Not UTF-8: read as Windows-1252; 0x9B is a quote there, 0x81 a C1 control.
        {{{kWhite, "[01:02:03] "}, {kWhite, "\x9b\xe9\x81\r\n"}},
         false,
         "[01:02:03] \u203a\u00e9\ufffd\n"},
        // Only the line end of the last run is taken off.
        {{{kWhite, "[01:02:03] \r\n"}, {kWhite, "x\r\n"}}, false, "[01:02:03] \u240d\u240ax\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlainLine(c.line, c.whisper), c.plain);
        EXPECT_EQ(TerminalSink(stdout, false).Render(c.line, c.whisper), c.plain);
    }
}

TEST(TerminalSink, ColoursEachPieceWithTheNearestPaletteEntryAndResetsAtTheEnd) {
    const TerminalSink sink(stdout, true);
    EXPECT_EQ(
        sink.Render({{kWhite, "[01:02:03] "}, {kGreen, "From bob: "}, {kWhite, "\x1b\r\n"}}, true),
        "\x1b[38;5;231m[01:02:03] \x1b[38;5;254m(whisper) \x1b[38;5;46mFrom bob: "
        "\x1b[38;5;231m\u241b\x1b[0m\n");
    struct Case {
        Colour colour;
        int index;
    };
    const Case cases[] = {
        {colour::kWhite, 231},
        {colour::kGreen, 46},
        {colour::kYellow, 226},
        {colour::kRed, 196},
        {colour::kLightYellow, 228},
        {colour::kDarkGreen, 34},
        {colour::kLightGrey, 254},
        {colour::kSilver, 250},
        {colour::kLightGreen, 120},
        {colour::kOrange, 208},
        {0x000000, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ansi256(c.colour), c.index) << std::hex << c.colour;
    }
}

}  // namespace
}  // namespace varno
