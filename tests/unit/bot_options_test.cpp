#include "headless/bot_options.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

using Colour = BotOptions::Colour;

TEST(BotOptions, ReadsTheGnuStyleCommandLine) {
    struct Case {
        std::vector<std::string> args;
        std::string folder;
        Colour colour;
        bool help;
        bool version;
    };
    const Case cases[] = {
        {{}, "", Colour::Auto, false, false},
        {{"--folder", "/var/lib/varnobot"}, "/var/lib/varnobot", Colour::Auto, false, false},
        {{"--folder=rel dir"}, "rel dir", Colour::Auto, false, false},
        {{"--folder", "--color"}, "--color", Colour::Auto, false, false},
        {{"--color=always"}, "", Colour::Always, false, false},
        {{"--color"}, "", Colour::Always, false, false},
        {{"--color=never", "--color=auto"}, "", Colour::Auto, false, false},
        {{"--color=never"}, "", Colour::Never, false, false},
        {{"--help"}, "", Colour::Auto, true, false},
        {{"--version", "--"}, "", Colour::Auto, false, true},
    };
    for (const Case& c : cases) {
        const ParsedBotOptions p = ParseBotOptions(c.args);
        ASSERT_TRUE(p.options) << p.error;
        EXPECT_EQ(p.options->folder, c.folder);
        EXPECT_EQ(p.options->colour, c.colour);
        EXPECT_EQ(p.options->help, c.help);
        EXPECT_EQ(p.options->version, c.version);
        EXPECT_FALSE(p.options->init);
    }
    const ParsedBotOptions init = ParseBotOptions({"--init", "--folder=/srv/bot"});
    ASSERT_TRUE(init.options) << init.error;
    EXPECT_TRUE(init.options->init);
    EXPECT_EQ(init.options->folder, "/srv/bot");
}

TEST(BotOptions, RefusesAWrongCommandLineWithOneLineSayingWhy) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-f"}, "unknown option '-f'"},
        {{"--folder"}, "option '--folder' needs a folder"},
        {{"--folder="}, "option '--folder' needs a folder"},
        {{"--color=blue"}, "option '--color' takes auto, always or never, not 'blue'"},
        {{"--help=x"}, "option '--help' takes no value"},
        {{"--init=yes"}, "option '--init' takes no value"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--", "--help"}, "unexpected argument '--help'"},
    };
    for (const Case& c : cases) {
        const ParsedBotOptions p = ParseBotOptions(c.args);
        EXPECT_FALSE(p.options);
        EXPECT_EQ(p.error, c.error);
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace varno
