#include <gtest/gtest.h>

#include <functional>

#include "moderation/user_menu.h"
#include "support/client_rig.h"
#include "support/connection_rig.h"

namespace varno {
namespace {

using test::ClientRig;
using Lines = std::vector<std::string>;

// The texts no line may hold, each with why it is refused.
struct Breaking {
    std::string name;
    std::string bytes;
    std::string why;
};
const Breaking kBreaking[] = {
    {"CR LF", "\r\n", "the line holds a line end"},
    {"lone CR", "\r", "the line holds a line end"},
    {"lone LF", "\n", "the line holds a line end"},
    {"NUL", std::string(1, '\0'), "the line holds a NUL byte"},
};

// Every entry of the connection's send path: a text holding a CR, LF or NUL anywhere is
// refused whole, before the queue; the caller is told why, and the operator in one red line,
// or, for a moderation line, its deed through the line's fate. A text without them goes, and
// the operator's Enter adds its empty line.
TEST(SendPathTest, EveryEntryOfTheConnectionRefusesALineHoldingACrLfOrNul) {
    using Send = std::function<Connection::Sent(Connection&, std::string_view)>;
    struct Entry {
        std::string name;
        Send send;
        std::string after;  // what follows a text that goes, besides its CR LF
        bool moderation = false;
    };
    const Entry entries[] = {
        {"chat", [](Connection& c, std::string_view t) { return c.SendChat(t); }, ""},
        {"line", [](Connection& c, std::string_view t) { return c.SendLine(t); }, ""},
        {"typed", [](Connection& c, std::string_view t) { return c.SendTyped(t); }, ""},
        {"entered", [](Connection& c, std::string_view t) { return c.SendEntered(t); }, "\r\n"},
        {"moderation", [](Connection& c, std::string_view t) { return c.SendModeration(t); }, "",
         true},
    };
    for (const Entry& entry : entries) {
        for (const std::string& text : {std::string("/ban bob boo"), std::string("")}) {
            test::ConnectionRig rig;
            rig.link.connectNow();
            const Connection::Sent sent = entry.send(rig.connection, text);
            EXPECT_TRUE(sent.queued) << entry.name;
            EXPECT_EQ(sent.why, "") << entry.name;
            EXPECT_EQ(rig.link.allWritten(), text + "\r\n" + entry.after) << entry.name;
        }
        for (const Breaking& b : kBreaking) {
            for (const std::string& text :
                 {"/ban evil" + b.bytes + "trusty boo", b.bytes + "x", "ends in " + b.bytes}) {
                SCOPED_TRACE(entry.name + ", " + b.name);
                test::ConnectionRig rig;
                rig.link.connectNow();
                Lines fates;
                rig.connection.setLineFate([&](std::string_view line, SendQueue::Kind,
                                               Connection::Fate fate, std::string_view why) {
                    EXPECT_EQ(line, text);
                    EXPECT_EQ(fate, Connection::Fate::Unsendable);
                    fates.emplace_back(why);
                });
                const Connection::Sent sent = entry.send(rig.connection, text);
                EXPECT_FALSE(sent.queued);
                EXPECT_EQ(sent.why, b.why);
                EXPECT_EQ(rig.link.allWritten(), "");
                EXPECT_EQ(rig.connection.waitingLines(), 0u);
                EXPECT_EQ(fates, entry.moderation ? Lines{b.why} : Lines{});
                const std::string log = rig.writer.main().text();
                const std::string red = "Line not sent: it" + b.why.substr(8) + "\r\n";
                EXPECT_EQ(log.find(red) != std::string::npos, !entry.moderation) << log;
                EXPECT_EQ(log.find("Line not sent"), log.rfind("Line not sent")) << "one line";
            }
        }
    }
    test::ConnectionRig down;
    EXPECT_EQ(down.connection.SendChat("hello").why, "not connected");
}

// Every way the program sends a line, over a client: the chat path, the operator's Enter,
// a user-menu choice, a trigger command's answer, a rule's kick, a ban of the ban list, and a
// script's say, emote, whisper and ban. A text holding a CR, LF or NUL sends no byte; it is
// said in one red line (a ban or kick: "Could not ban NAME: ..."), its caller is told, and no
// deed stays open. Texts from the server hold no CR LF: a server line ends there.
TEST(SendPathTest, EveryWayOfSendingRefusesALineHoldingACrLfOrNul) {
    const std::string script =
        "function on_command(name, command)\n"
        "  local action, text = command:match('^(%a+) (.*)$')\n"
        "  text = text:gsub('<CR>', '\\r'):gsub('<LF>', '\\n'):gsub('<NUL>', '\\0')\n"
        "  local ok, why\n"
        "  if action == 'say' then ok = varno.say(text)\n"
        "  elseif action == 'emote' then ok = varno.emote(text)\n"
        "  elseif action == 'whisper' then ok = varno.whisper('bob', text)\n"
        "  elseif action == 'ban' then ok, why = varno.ban('evil', text) end\n"
        "  varno.log(action .. ' ' .. tostring(ok) .. ' ' .. tostring(why))\n"
        "end\n";
    const ClientRig::Files files = {
        {"Varno.ini", "[Varno]\r\nUsername=alice\r\nTrigger=!\r\nScripts=scripts\r\n"},
        {"database.txt", "Boss\r\n"},
        {"shitlist.txt", "evil*\r\n"},
        {"badwords.txt", "*darn*\r\n"},
        {"scripts/probe.lua", script},
    };
    // The bytes as a script's command spells them, for a channel line to carry.
    const auto spelt = [](const std::string& bytes) {
        return bytes == "\r\n" ? std::string("<CR><LF>")
               : bytes == "\r" ? std::string("<CR>")
               : bytes == "\n" ? std::string("<LF>")
                               : std::string("<NUL>");
    };
    using Act = std::function<void(ClientRig&, const std::string& bytes)>;
    struct Way {
        std::string name;
        Act act;
        Lines sent;             // what goes for a text of "x" in place of the bytes
        std::string red;        // the red line, when refused; WHY: the reason
        std::string told = "";  // what the script says of its call: when refused / when sent
        std::string toldSent = "";
        bool fromServer = false;  // the text comes in a server line: never a CR LF
    };
    const auto says = [](const std::string& who, const std::string& text) {
        return "1005 TALK " + who + " 0010 \"" + text + "\"\r\n";
    };
    const auto command = [&](const std::string& what) {
        return [&, what](ClientRig& rig, const std::string& bytes) {
            rig.client->sck_dataarrival(
                says("bob", "!" + what + " a" + (bytes == "x" ? bytes : spelt(bytes)) + "b"));
        };
    };
    const Way ways[] = {
        {"chat",
         [](ClientRig& rig, const std::string& b) { rig.client->SendChat("a" + b + "b"); },
         {"axb"},
         "Line not sent: it holds WHY"},
        {"enter",
         [](ClientRig& rig, const std::string& b) { rig.client->txtSend_Enter("a" + b); },
         {"ax", ""},
         "Line not sent: it holds WHY"},
        {"menu: squelch",
         [](ClientRig& rig, const std::string& b) {
             rig.client->UserMenuChoice(kMenuSquelch, "a" + b + "b");
         },
         {"/squelch axb"},
         "Line not sent: it holds WHY"},
        {"menu: ban",
         [](ClientRig& rig, const std::string& b) {
             rig.client->UserMenuChoice(kMenuBan, "a" + b + "b");
         },
         {"/ban axb"},
         "Could not ban aNAMEb: the line holds WHY"},
        {"trigger answer",
         [&](ClientRig& rig, const std::string& b) {
             rig.client->sck_dataarrival(says("Boss", "!say a" + b + "b"));
         },
         {"axb"},
         "Line not sent: it holds WHY",
         "",
         "",
         true},
        {"rule's kick",
         [&](ClientRig& rig, const std::string& b) {
             rig.client->sck_dataarrival(says("a" + b + "b", "darn"));
         },
         {"/kick axb language"},
         "Could not kick aNAMEb: the line holds WHY",
         "",
         "",
         true},
        {"ban list",
         [](ClientRig& rig, const std::string& b) {
             rig.client->sck_dataarrival("1002 JOIN evil" + b + " 0010 [CHAT]\r\n");
         },
         {"/ban evilx boo"},
         "Could not ban evilNAME: the line holds WHY",
         "",
         "",
         true},
        {"script say",
         command("say"),
         {"axb"},
         "Line not sent: it holds WHY",
         "probe: say false nil",
         "probe: say true nil"},
        {"script emote",
         command("emote"),
         {"/me axb"},
         "Line not sent: it holds WHY",
         "probe: emote false nil",
         "probe: emote true nil"},
        {"script whisper",
         command("whisper"),
         {"/w bob axb"},
         "Line not sent: it holds WHY",
         "probe: whisper false nil",
         "probe: whisper true nil"},
        {"script ban",
         command("ban"),
         {"/ban evil axb"},
         "Could not ban evil: the line holds WHY",
         "probe: ban false the line holds WHY",
         "probe: ban true nil"},
    };
    for (const Way& way : ways) {
        for (const std::string& bytes : {std::string("x"), std::string("\r\n"), std::string("\r"),
                                         std::string("\n"), std::string(1, '\0')}) {
            if (way.fromServer && bytes == "\r\n") {
                continue;
            }
            const bool breaks = bytes != "x";
            SCOPED_TRACE(way.name + (breaks ? ", " + spelt(bytes) : ", plain"));
            ClientRig rig(files);
            rig.enter();
            rig.logged(colour::kRed);
            rig.logged(colour::kLightGrey);
            way.act(rig, bytes);
            rig.client->Timer1_Timer();
            const std::string why = bytes == std::string(1, '\0') ? "a NUL byte" : "a line end";
            std::string red = way.red;
            red.replace(red.find("WHY"), 3, why);
            if (const auto at = red.find("NAME"); at != std::string::npos) {
                red.replace(at, 4, bytes);
            }
            EXPECT_EQ(rig.sent(), breaks ? Lines{} : way.sent) << "no byte of a refused line";
            EXPECT_EQ(rig.logged(colour::kRed), breaks ? Lines{red} : Lines{});
            if (breaks) {
                EXPECT_EQ(rig.client->protection().deeds().open(), 0u) << "no deed left open";
            }
            if (!way.told.empty()) {
                std::string told = breaks ? way.told : way.toldSent;
                if (const auto at = told.find("WHY"); at != std::string::npos) {
                    told.replace(at, 3, why);
                }
                EXPECT_EQ(rig.logged(colour::kLightGrey), Lines{told});
            }
        }
    }
}

}  // namespace
}  // namespace varno
