#include <gtest/gtest.h>

#include <QDir>
#include <string>
#include <vector>

#include "support/bot_fixture.h"
#include "support/client_fixture.h"

// Scripts written to hurt, run by VarnoBot against a scripted gateway: each may only turn
// itself off. After each the bot takes the next channel line at once, no line of a script
// reaches the server as a command it did not give, and SIGTERM still ends the bot.
namespace varno {
namespace {

using test::GatewayServer;
using test::WriteFile;

class HostileScriptsTest : public test::BotFixture {
protected:
    // Starts the bot logged in to a channel where trusty (in database.txt) and evil are.
    void StartInChannel(const QByteArray& settings) {
        ASSERT_TRUE(server.listen());
        server.answerModeration("alice");
        WriteFile(file("Varno.ini"), QByteArray("[Varno]\n") + test::kAliceSettings + settings +
                                         "Scripts=scripts\nServer=" + server.host().toUtf8() +
                                         "\n");
        WriteFile(file("database.txt"), "trusty\r\n");
        start({"--folder", dir.path(), "--color=never"});
        ASSERT_TRUE(server.waitForReceived(test::kAliceLogin));
        server.send(
            "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER trusty 0010 [CHAT]\r\n"
            "1001 USER evil 0010 [CHAT]\r\n");
    }

    // Whether the bot took a channel line within two seconds: the echo script logs it.
    bool Answers(int n) {
        const QByteArray ping = "ping " + QByteArray::number(n);
        server.send("1005 TALK bob 0010 \"" + ping + "\"\r\n");
        return waitForOutput("] echo: " + ping + "\n", 2000);
    }
};

TEST_F(HostileScriptsTest, EachTurnsOnlyItselfOffAndTheBotGoesOn) {
    struct Case {
        const char* name;
        std::string code;  // run by the talk line, or by the tick
        const char* line;  // its red line, if any
        QByteArray talk = "go";
    };
    const std::vector<Case> cases = {
        {"a pattern that backtracks",
         "function on_talk() local s = ('a'):rep(40) s:find(('a*'):rep(40) .. 'b') end",
         "Script hostile: instruction limit passed (1000000 instructions)"},
        {"a quadratic pattern", "function on_talk() string.rep('a', 300000):find('.-b') end",
         "Script hostile: instruction limit passed (1000000 instructions)"},
        {"a call at its budget, then a text",
         "function on_tick() for i = 1, 999995 do end end "
         "function on_talk(_, text) varno.log(#text) end",
         nullptr, QByteArray(100, 'y')},
        {"lines with line ends",
         "function on_talk() varno.say('hi\\r\\n/ban trusty') varno.say('hi\\n/kick trusty') "
         "varno.emote('waves\\r\\n/ban trusty') varno.whisper('bob', 'psst\\r\\n/ban trusty') "
         "varno.whisper('bob\\r\\n/ban', 'trusty') varno.say('a\\0/ban trusty') end",
         nullptr},
        {"deeds with line ends and control bytes",
         "function on_talk() varno.ban('evil', 'spam\\r\\n/ban trusty') "
         "varno.kick('evil', 'spam\\n/kick trusty') varno.ban('trusty\\r\\n') "
         "varno.kick('trusty\\0') varno.ban('trusty\\1') varno.ban('trusty ') end",
         nullptr},
        {"memory bombs caught by pcall",
         "function on_talk() pcall(string.rep, 'x', 9e6) local t = {} "
         "for i = 1, 50 do t[i] = ('x'):rep(1e5) end pcall(table.concat, t, ('y'):rep(1e5)) end",
         "Script hostile: memory limit passed (8 MiB)"},
        {"twenty thousand deeds",
         "function on_talk() for i = 1, 20000 do varno.ban('user' .. i) end end", nullptr},
        {"a flood of print", "function on_talk() while true do print(('x'):rep(1000)) end end",
         "Script hostile: instruction limit passed (1000000 instructions)"},
        {"a loop that never ends", "function on_talk() while true do end end",
         "Script hostile: instruction limit passed (1000000 instructions)"},
    };
    StartInChannel("Trigger=!\nSendQuota=0\n");
    // The scripts folder is made after the start: it is noticed.
    ASSERT_TRUE(QDir(dir.path()).mkpath("scripts"));
    WriteFile(file("scripts/echo.lua"),
              "function on_talk(_, text) if text:sub(1, 4) == 'ping' then varno.log(text) end end");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return Answers(0); }, 10000)) << out.toStdString() << bot.readAllStandardError().toStdString() << bot.state();
    int n = 1;
    for (const Case& c : cases) {
        WriteFile(file("scripts/hostile.lua"), QByteArray::fromStdString("print('loaded " +
                                                                         std::to_string(n) + "')\n" +
                                                                         c.code + "\n"));
        ASSERT_TRUE(waitForOutput("] hostile: loaded " + QByteArray::number(n) + "\n")) << c.name;
        server.send("1005 TALK bob 0010 \"" + c.talk + "\"\r\n");
        EXPECT_TRUE(Answers(n)) << c.name;
        if (c.line) {
            EXPECT_TRUE(waitForOutput(QByteArray("] ") + c.line + "\n")) << c.name;
        }
        ++n;
    }
    EXPECT_TRUE(waitForOutput("] hostile: 100\n")) << "the first script's text reached it";
    const QByteArray sent = server.receivedAll();
    for (const char* smuggled : {"\r\n/ban trusty", "\r\n/kick trusty", "\n/ban trusty"}) {
        EXPECT_FALSE(sent.contains(smuggled)) << smuggled;
    }
    EXPECT_FALSE(sent.contains(QByteArray("\0", 1))) << "no NUL reaches the server";
    EXPECT_LE(sent.count("/ban user"), 100) << "a script's open deeds are bounded";

    bot.terminate();
    ASSERT_TRUE(bot.waitForFinished(5000));
    EXPECT_EQ(bot.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(bot.exitCode(), 0);
}

}  // namespace
}  // namespace varno
