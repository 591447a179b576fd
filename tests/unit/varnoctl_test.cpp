#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "control/control_settings.h"
#include "control/messages.h"
#include "control/request.h"
#include "ctl/ctl_link.h"
#include "ctl/ctl_options.h"
#include "ctl/ctl_render.h"
#include "support/fakes.h"

// varnoctl without a bot: its command line, the requests it sends and what it prints.
namespace varno {
namespace {

TEST(VarnoctlOptions, CommandsTheirWordsTheTargetAndTheRequestTheySend) {
    struct Case {
        std::vector<std::string> args;
        std::string error;    // empty: parsed
        std::string request;  // the line it sends, without its LF
    } const cases[] = {
        {{"status"}, "", R"({"id":1,"command":"status"})"},
        {{"--folder", "/f", "users", "--json"}, "", R"({"id":1,"command":"users"})"},
        {{"oproom", "ban", "bob", "spamming", "--wait", "5"},
         "",
         R"({"id":1,"command":"ban","name":"bob","reason":"spamming --wait 5"})"},
        {{"--wait=5", "kick", "bob"}, "", R"({"id":1,"command":"kick","name":"bob","reason":""})"},
        {{"say", "--", "-1", "for", "you"}, "", R"({"id":1,"command":"say","text":"-1 for you"})"},
        {{"whisper", "bob", "hi", "there"},
         "",
         R"({"id":1,"command":"whisper","name":"bob","text":"hi there"})"},
        {{"add", "badwords", "*darn", "it*"},
         "",
         R"({"id":1,"command":"add","list":"badwords","pattern":"*darn it*"})"},
        {{"set", "FloodLines=6/5", "LogFolder="},
         "",
         R"({"id":1,"command":"set","values":{"FloodLines":"6/5","LogFolder":""}})"},
        // Printed without colours, the lines come as their text alone.
        {{"log"}, "", R"({"id":1,"command":"log","n":10,"form":"text"})"},
        {{"log", "-n", "1000"}, "", R"({"id":1,"command":"log","n":1000,"form":"text"})"},
        {{"--color=always", "log"}, "", R"({"id":1,"command":"log","n":10})"},
        {{"--json", "log"}, "", R"({"id":1,"command":"log","n":10})"},
        {{"log", "-n5", "-f"},
         "",
         R"({"id":1,"command":"subscribe","events":["log"],"backlog":5})"},
        {{"unban", "caf\xe9"}, "", R"({"id":1,"command":"unban","name":{"base64":"Y2Fm6Q=="}})"},
        {{"--name", "status", "status"}, "", R"({"id":1,"command":"status"})"},
        {{"--stdio"}, "", ""},
        {{}, "no command given (see varnoctl --help)", ""},
        {{"oproom"}, "no command after 'oproom' (see varnoctl --help)", ""},
        {{"oproom", "frobnicate"}, "no command 'frobnicate' (see varnoctl --help)", ""},
        {{"--folder", "/f", "oproom", "status"}, "no command 'oproom' (see varnoctl --help)", ""},
        {{"status", "now"}, "status: too many words (see varnoctl --help)", ""},
        {{"whisper", "bob"}, "whisper: too few words (see varnoctl --help)", ""},
        {{"set", "FloodLines"}, "set: 'FloodLines' is not KEY=VALUE", ""},
        {{"log", "-n", "x"}, "log: -n takes a whole number of lines, not 'x'", ""},
        {{"--wait", "soon", "status"},
         "option '--wait' takes a whole number of seconds, not 'soon'",
         ""},
        {{"--color=pink", "log"}, "option '--color' takes auto, always or never, not 'pink'", ""},
        {{"--stdio", "status"},
         "--stdio takes no command: the requests come on standard input",
         ""},
        {{"--bogus", "status"}, "unknown option '--bogus'", ""},
        {{"--folder"}, "option '--folder' needs a value", ""},
    };
    for (const Case& c : cases) {
        const ParsedCtlOptions parsed = ParseCtlOptions(c.args);
        const std::string joined = ::testing::PrintToString(c.args);
        EXPECT_EQ(parsed.error, c.error) << joined;
        if (parsed.options && !parsed.options->stdio) {
            const bool colour = parsed.options->colour == CtlOptions::Colour::Always;
            EXPECT_EQ(CtlRequestLine(*parsed.options, colour), c.request + "\n") << joined;
        }
    }
    const auto target = ParseCtlOptions({"oproom", "--json", "status"}).options;
    ASSERT_TRUE(target);
    EXPECT_EQ(target->name, "oproom");
    EXPECT_TRUE(target->json);
    EXPECT_EQ(ParseCtlOptions({"ban", "bob"}).options->waitSeconds, 30);
}

TEST(VarnoctlOutput, EachAnswerIsPrintedWithItsStatus) {
    const auto options = [](std::vector<std::string> args) {
        return *ParseCtlOptions(std::move(args)).options;
    };
    struct Case {
        std::vector<std::string> args;
        std::string answer;
        std::string out, err;
        int status;
    } const cases[] = {
        {{"status"},
         R"({"id":1,"ok":true,"result":{"status":{"status":"In Lobby as alice; 3 users; 2 bans today",)"
         R"("connection":"connected","letIn":true,"server":"gw","channel":"Lobby","name":"alice",)"
         R"("users":3,"bansToday":2,"deedsOpen":1,"queued":4,"scriptsRunning":2,"scriptsOff":1}}})",
         "In Lobby as alice; 3 users; 2 bans today\nusers present: 3\nbans today: 2\ndeeds open: "
         "1\nlines waiting to be sent: 4\nscripts: 2 running, 1 off\n",
         "",
         0},
        {{"users"},
         R"({"id":1,"ok":true,"result":{"users":[{"name":"alice","flags":"0010","product":"CHAT"},)"
         R"({"name":"b\u001b[2J","flags":"0002","product":"W3XP"}]}})",
         "alice  0010  CHAT\nb\xe2\x90\x9b[2J  0002  W3XP\n",
         "",
         0},
        {{"ban", "bob"},
         R"({"id":1,"ok":true,"result":{"deed":{"action":"ban","name":"bob","done":true,"text":"","script":""}}})",
         "Banned bob\n",
         "",
         0},
        {{"ban", "bob"},
         R"({"id":1,"ok":true,"result":{"deed":{"action":"ban","name":"bob","done":false,)"
         R"("text":"You cannot ban operators.","script":""}}})",
         "",
         "varnoctl: could not ban bob: You cannot ban operators.\n",
         1},
        {{"ban", "Boss"},
         R"({"id":1,"ok":false,"error":{"code":"refused","message":"not sent: ban Boss: a trusted user"}})",
         "",
         "varnoctl: not sent: ban Boss: a trusted user\n",
         1},
        {{"set", "SendQuota=x"},
         R"({"id":1,"ok":false,"error":{"code":"bad-argument","message":"set: no"}})",
         "",
         "varnoctl: set: no\n",
         64},
        {{"bans"},
         R"({"id":1,"ok":true,"result":{"timed":true,"bans":[{"name":"eve","ends":9,"left":250,"lifting":false},)"
         R"({"name":"bob","ends":9,"left":9,"lifting":true}]}})",
         "eve  4 min 10 s\nbob  lifting\n",
         "",
         0},
        {{"bans"},
         R"({"id":1,"ok":true,"result":{"timed":true,"bans":[]}})",
         "No ban waits to be lifted\n",
         "",
         0},
        {{"rules"},
         R"({"id":1,"ok":true,"result":{"rules":[{"key":"SendQuota","value":"4","explanation":"",)"
         R"("note":"'four' is read as 4"}]}})",
         "SendQuota=4  (Varno.ini: 'four' is read as 4)\n",
         "",
         0},
        {{"log"},
         R"({"id":1,"ok":true,"result":{"lines":[{"event":"log","whisper":true,"runs":[)"
         R"({"colour":"#ffffff","text":"[14:03:07] "},{"colour":"#ffff00","text":{"base64":"Y2Fm6Q0K"}}]}]}})",
         "[14:03:07] (whisper) caf\xc3\xa9\n",
         "",
         0},
        {{"log", "-n", "1000"},
         R"({"id":1,"ok":true,"result":{"lines":[{"event":"log","whisper":false,"runs":[)"
         R"({"colour":"#ffffff","text":"[14:03:07] hi\r\n"}]}],"cut":true}})",
         "[14:03:07] hi\n",
         "varnoctl: only the last 1 line came: an answer is held to 1 MiB\n",
         0},
        // The text form: each line shown as VisibleText shows it, whatever the bot sent.
        {{"log"},
         R"({"id":1,"ok":true,"result":{"lines":["[14:03:07] (whisper) caf\u00e9",)"
         R"("[14:03:08] a\u001b[2J\nb",{"base64":"Y2Fm6Q=="},""]}})",
         "[14:03:07] (whisper) caf\xc3\xa9\n[14:03:08] a\xe2\x90\x9b[2J\xe2\x90\x8a"
         "b\ncaf\xc3\xa9\n\n",
         "",
         0},
        {{"log"},
         R"({"id":1,"ok":true,"result":{"lines":["a",7]}})",
         "",
         "varnoctl: the bot's answer could not be read\n",
         70},
        {{"users"},
         R"({"id":1,"ok":true,"result":{"users":[{"name":7}]}})",
         "",
         "varnoctl: the bot's answer could not be read\n",
         70},
        {{"list", "shitlist"},
         R"({"id":1,"ok":true,"result":{"patterns":["spam*","a\u001bb"]}})",
         "spam*\na\xe2\x90\x9b"
         "b\n",
         "",
         0},
        {{"add", "shitlist", "spam*"},
         R"({"id":1,"ok":true,"result":{"answer":"Added spam* to the ban list"}})",
         "Added spam* to the ban list\n",
         "",
         0},
        {{"del", "badwords", "x"},
         R"({"id":1,"ok":false,"error":{"code":"unchanged","message":"Not on the word list: x"}})",
         "",
         "varnoctl: Not on the word list: x\n",
         1},
        {{"lift", "bob"},
         R"({"id":1,"ok":false,"error":{"code":"no-ban","message":"bob has no pending ban"}})",
         "",
         "varnoctl: bob has no pending ban\n",
         1},
        {{"scripts"},
         R"({"id":1,"ok":true,"result":{"folder":"/f/scripts","scripts":[{"name":"greet","running":true,"error":""},)"
         R"({"name":"seen","running":false,"error":"Script seen: boom"}]}})",
         "greet  running\nseen   off: Script seen: boom\n",
         "",
         0},
        {{"scripts"},
         R"({"id":1,"ok":true,"result":{"folder":"/f/scripts","scripts":[]}})",
         "No scripts in /f/scripts\n",
         "",
         0},
        {{"status"},
         R"({"id":1,"ok":false,"error":{"code":"busy","message":"8 clients"}})",
         "",
         "varnoctl: 8 clients\n",
         75},
    };
    for (const Case& c : cases) {
        Message m;
        ASSERT_TRUE(ReadMessage(c.answer, m)) << c.answer;
        const CtlOutput output = RenderAnswer(options(c.args), m, false);
        EXPECT_EQ(output.out, c.out) << c.answer;
        EXPECT_EQ(output.err, c.err) << c.answer;
        EXPECT_EQ(output.status, c.status) << c.answer;
    }
    // On a terminal, the log as VarnoBot colours it.
    Message colour;
    ASSERT_TRUE(ReadMessage(
        R"({"event":"log","whisper":false,"runs":[{"colour":"#ff0000","text":"x\r\n"}]})", colour));
    EXPECT_EQ(RenderLogEvent(colour, true), "\x1b[38;5;196mx\x1b[0m\n");
    EXPECT_EQ(RenderLogEvent(colour, false), "x\n");
    Message other;
    ASSERT_TRUE(ReadMessage(R"({"event":"status","status":{}})", other));
    EXPECT_EQ(RenderLogEvent(other, false), "");
    EXPECT_EQ(WaitEnded(options({"--wait", "1", "ban", "bob"})).err,
              "varnoctl: no outcome within 1 second; the ban of bob goes on, and the bot's log "
              "tells its end\n");
}

TEST(VarnoctlLink, ALineIsReadUpToTheLongestABotSendsAndNoFurther) {
    struct Case {
        std::string bytes;  // what the bot sends, then it closes
        CtlLink::Read read;
        std::size_t size;  // of the line read
    } const cases[] = {
        {std::string(kMaxWaitingBytes - 1, 'x') + "\n", CtlLink::Read::Line, kMaxWaitingBytes - 1},
        {std::string(kMaxWaitingBytes, 'x') + "\n", CtlLink::Read::TooLong, 0},
        {std::string(kMaxWaitingBytes, 'x'), CtlLink::Read::TooLong, 0},
    };
    for (const Case& c : cases) {
        test::TempFolder dir;
        const std::string path = dir.file("control.sock");
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::listen(listener, 1), 0);
        std::thread bot;
        {
            CtlLink link;
            ASSERT_EQ(link.Connect(path).status, 0);
            const int peer = ::accept(listener, nullptr, nullptr);
            bot = std::thread([peer, &c] {
                // Ends once varnoctl closes its end, whatever it took of the bytes.
                [[maybe_unused]] const ssize_t n =
                    ::send(peer, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL);
                ::close(peer);
            });
            std::string line;
            EXPECT_EQ(link.ReadLine(line, std::nullopt), c.read) << c.bytes.size();
            EXPECT_EQ(c.read == CtlLink::Read::Line ? line.size() : 0u, c.size);
        }
        bot.join();
        ::close(listener);
    }
}

TEST(ControlSettings, BacklogIsANumberHeldAtItsLargest) {
    test::TempFolder folder;
    struct Case {
        std::string keys;
        bool on;
        std::size_t backlog;
        std::string problem;
    } const cases[] = {
        {"", true, 1000, ""},
        {"Control=0\nBacklog=0\n", false, 0, ""},
        {"Control = 1 \nBacklog= 100000\n", true, 100000, ""},
        {"Backlog=100001\n", true, 100000, ""},
        {"Backlog=lots\n", true, 1000, "Varno.ini: Backlog = 'lots' is not a number; using 1000"},
    };
    for (const Case& c : cases) {
        const ControlSettings read =
            ReadControlSettings(folder.write("Varno.ini", "[Varno]\n" + c.keys));
        EXPECT_EQ(read.on, c.on) << c.keys;
        EXPECT_EQ(read.backlog, c.backlog) << c.keys;
        EXPECT_EQ(read.problem, c.problem) << c.keys;
    }
}

}  // namespace
}  // namespace varno
