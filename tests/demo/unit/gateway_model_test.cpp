#include "demo/gateway_model.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "demo_fakes.h"

namespace varno::demo {
namespace {

constexpr char kBanner[] =
    "BOT or Telnet Connection from [127.0.0.1]\r\n\r\nEnter your account name and password.\r\n"
    "Sorry, there is no guest account.\r\n\r\nUsername: ";
constexpr char kFailed[] = "\r\nLogin failed.\r\n\r\nUsername: ";

std::string Info(std::string_view text) {
    return "1018 INFO \"" + std::string(text) + "\"\r\n";
}
std::string Error(std::string_view text) {
    return "1019 ERROR \"" + std::string(text) + "\"\r\n";
}

class GatewayModelTest : public ::testing::Test {
protected:
    // Connects and logs in; returns the session, with what it was sent taken away.
    SessionId logIn(const std::string& name) {
        const SessionId id = next++;
        model.open(id, "127.0.0.1");
        model.receive(id, "\x03" + name + "\r\n" + name + "pw\r\n");
        EXPECT_NE(port.take(id).find("2010 NAME " + name + "\r\n"), std::string::npos);
        return id;
    }
    SessionId joined(const std::string& name, const std::string& channel) {
        const SessionId id = logIn(name);
        model.receive(id, "/join " + channel + "\r\n");
        clock.ms += 5000;  // a fresh flood window for the test's own lines
        return id;
    }
    void say(SessionId id, const std::string& line) {
        model.receive(id, line + "\r\n");
        clock.ms += 2000;
    }
    void takeAll() {
        for (auto& [id, out] : port.out) {
            out.clear();
        }
    }

    test::FakeSessions port;
    test::FakeClock clock;
    GatewayModel model{port, clock, GatewayOptions{.flood = {}, .admins = {"root", "chief"}}};
    SessionId next = 1;
};

TEST_F(GatewayModelTest, LoginDialogueAndGreetingHaveTheRealShape) {
    model.open(1, "127.0.0.1");
    model.receive(1, "\x03");
    EXPECT_EQ(port.take(1), kBanner);
    model.receive(1, "alice\r\n");
    EXPECT_EQ(port.take(1), "alice\r\nPassword: ");
    model.receive(1, "alicepw\r\n");
    const std::string greeting = port.take(1);
    EXPECT_TRUE(greeting.starts_with(
        "\r\n2010 NAME alice\r\n1007 CHANNEL \"Chat\"\r\n1001 USER alice 0010 [CHAT]\r\n"
        "1019 ERROR \"Hello alice, welcome to Demo Realm!\"\r\n"));
    EXPECT_NE(greeting.find("1018 INFO \"There are 1 user accounts on this server.\"\r\n"),
              std::string::npos);
    EXPECT_NE(greeting.find("1018 INFO \"\"\r\n1005 TALK alice 0010 \"You have no mail.\"\r\n1018 "
                            "INFO \"This is the public chat channel. Feel free to chat...\"\r\n"),
              std::string::npos);
    EXPECT_TRUE(greeting.ends_with("Feel free to chat...\"\r\n"));
}

TEST_F(GatewayModelTest, LoginBlockInOneReadLogsInAndJoinsHome) {
    model.open(1, "127.0.0.1");
    model.receive(1, std::string("\x03") + "operator\r\noperatorpw\r\n/join Demo\r\n");
    const std::string out = port.take(1);
    EXPECT_NE(out.find("2010 NAME operator\r\n"), std::string::npos);
    EXPECT_TRUE(
        out.ends_with("1007 CHANNEL \"Demo\"\r\n"
                      "1018 INFO \"you are now tempOP for this channel\"\r\n"
                      "1009 USER operator 0010\r\n1001 USER operator 0010 [CHAT]\r\n"
                      "1009 USER operator 0002\r\n1009 USER operator 0002\r\n"));
}

struct RefusedLogin {
    const char* name;
    std::string user;
    std::string password;
};

class GatewayModelRefusedLoginTest : public GatewayModelTest,
                                     public ::testing::WithParamInterface<RefusedLogin> {};

TEST_P(GatewayModelRefusedLoginTest, LoginFailedThenThePromptAgainOnTheSameSocket) {
    logIn("alice");
    model.open(9, "127.0.0.1");
    model.receive(9, "\x03" + GetParam().user + "\r\n" + GetParam().password + "\r\n");
    EXPECT_EQ(port.take(9), kBanner + GetParam().user + "\r\nPassword: " + kFailed);
    EXPECT_TRUE(port.closed.empty());
    model.receive(9, "bob\r\nbobpw\r\n");
    EXPECT_NE(port.take(9).find("2010 NAME bob\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, GatewayModelRefusedLoginTest,
                         ::testing::Values(RefusedLogin{"WrongPassword", "bob", "bobPW"},
                                           RefusedLogin{"NameAlreadyLoggedIn", "ALICE", "ALICEpw"},
                                           RefusedLogin{"NameOfSixteen", "abcdefghijklmnop",
                                                        "abcdefghijklmnoppw"},
                                           RefusedLogin{"NameWithQuote", "a\"b", "a\"bpw"},
                                           RefusedLogin{"NameWithBlank", "a b", "a bpw"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ByteAfterProtocolByte {
    const char* name;
    std::vector<std::string> reads;
    std::string echoed;  // the name line as the gateway echoes it
    bool logsIn;
};

class GatewayModelByteAfterProtocolByteTest
    : public GatewayModelTest,
      public ::testing::WithParamInterface<ByteAfterProtocolByte> {};

TEST_P(GatewayModelByteAfterProtocolByteTest, OneByteFourDirectlyAfterTheProtocolByteIsSkipped) {
    model.open(1, "127.0.0.1");
    for (const std::string& read : GetParam().reads) {
        model.receive(1, read);
    }
    EXPECT_TRUE(port.take(1).starts_with(kBanner + GetParam().echoed + "\r\nPassword: " +
                                         (GetParam().logsIn ? "\r\n2010 NAME pat\r\n" : kFailed)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GatewayModelByteAfterProtocolByteTest,
    ::testing::Values(
        ByteAfterProtocolByte{"InTheSameRead", {"\x03\x04pat\r\npatpw\r\n"}, "pat", true},
        ByteAfterProtocolByte{"InTheNextRead", {"\x03", "\x04pat\r\npatpw\r\n"}, "pat", true},
        ByteAfterProtocolByte{
            "AloneInTheNextRead", {"\x03", "\x04", "pat\r\npatpw\r\n"}, "pat", true},
        ByteAfterProtocolByte{"ASecondIsKept", {"\x03\x04\x04pat\r\npatpw\r\n"}, "\x04pat", false},
        ByteAfterProtocolByte{
            "ASecondInTheNextReadIsKept", {"\x03\x04", "\x04pat\r\npatpw\r\n"}, "\x04pat", false},
        ByteAfterProtocolByte{
            "OneAfterTheNameIsKept", {"\x03pat\r\n", "\x04patpw\r\n"}, "pat", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GatewayModelTest, AConnectionNotLoggedInWithinThirtySecondsIsClosed) {
    const SessionId silent = next++;
    model.open(silent, "127.0.0.1");
    const SessionId halfway = next++;
    model.open(halfway, "127.0.0.1");
    model.receive(halfway, "\x03pat\r\n");
    const SessionId bob = logIn("bob");
    const auto sim = model.addSimulated("kestrel", "[STAR]");
    ASSERT_TRUE(sim.has_value());
    model.actAs(*sim, "/join Demo");
    clock.ms += 29999;
    model.tick();
    EXPECT_TRUE(port.closed.empty());
    clock.ms += 1;
    model.tick();
    EXPECT_EQ(port.closed, (std::set<SessionId>{silent, halfway}));
    clock.ms += 600000;
    model.tick();
    EXPECT_EQ(port.closed.count(bob), 0u) << "a logged-in session is never closed by it";
    EXPECT_EQ(model.channelOf(*sim), "Demo");
}

TEST_F(GatewayModelTest, LoginLinesOverSixtyFourBytesFailTheAttemptUnechoed) {
    const std::string name64(64, 'n');
    model.open(1, "127.0.0.1");
    model.receive(1, "\x03" + name64 + "\r\n");
    EXPECT_EQ(port.take(1), kBanner + name64 + "\r\nPassword: ") << "64 bytes are echoed";
    model.receive(1, std::string(64, 'p') + "\r\n");
    EXPECT_EQ(port.take(1), kFailed);
    model.receive(1, name64 + "x\r\n");
    EXPECT_EQ(port.take(1), kFailed) << "65 bytes: no echo, the attempt ends";
    model.receive(1, "bob\r\n" + std::string(65, 'p') + "\r\n");
    EXPECT_EQ(port.take(1), std::string("bob\r\nPassword: ") + kFailed);
    model.receive(1, "bob\r\nbobpw\r\n");
    EXPECT_NE(port.take(1).find("2010 NAME bob\r\n"), std::string::npos);
    EXPECT_TRUE(port.closed.empty());
}

TEST_F(GatewayModelTest, NameOfFifteenLogsIn) {
    logIn("abcdefghijklmno");
}

TEST_F(GatewayModelTest, AnythingButTheChatProtocolByteIsClosed) {
    model.open(1, "127.0.0.1");
    model.receive(1, "GET / HTTP/1.0\r\n");
    EXPECT_EQ(port.closed.count(1), 1u);
    EXPECT_EQ(port.take(1), "");
    model.receive(1, "\x03");
    EXPECT_EQ(port.take(1), "") << "a closed session is forgotten";
}

TEST_F(GatewayModelTest, JoinLeaveTalkEmoteAndWhisperReachTheRightUsers) {
    const SessionId alice = joined("alice", "Lobby");
    const SessionId carol = logIn("carol");  // stays in Chat
    const SessionId bob = logIn("bob");
    takeAll();
    model.receive(bob, "/join Lobby\r\n");
    EXPECT_EQ(port.take(bob),
              "1007 CHANNEL \"Lobby\"\r\n1001 USER bob 0010 [CHAT]\r\n1001 USER alice 0002 "
              "[CHAT]\r\n1009 USER bob 0000\r\n1009 USER bob 0000\r\n");
    EXPECT_EQ(port.take(alice),
              "1002 JOIN bob 0010 [CHAT]\r\n1009 USER bob 0000\r\n1009 USER bob 0000\r\n");
    EXPECT_EQ(port.take(carol), "1003 LEAVE bob 0010\r\n");

    say(bob, "hi there");
    EXPECT_EQ(port.take(alice), "1005 TALK bob 0000 \"hi there\"\r\n");
    EXPECT_EQ(port.take(bob), "") << "talk is not echoed";
    say(alice, "/me waves");
    EXPECT_EQ(port.take(alice), "1023 EMOTE alice 0002 \"waves\"\r\n");
    EXPECT_EQ(port.take(bob), "1023 EMOTE alice 0002 \"waves\"\r\n");
    say(bob, "/w CAROL psst two words");
    EXPECT_EQ(port.take(carol), "1004 WHISPER bob 0000 \"psst two words\"\r\n");
    EXPECT_EQ(port.take(bob), "1010 WHISPER carol 0010 \"psst two words\"\r\n");
    say(bob, "/w nobody hi");
    EXPECT_EQ(port.take(bob), "1019 ERROR \"That user is not logged on.\"\r\n");
    EXPECT_EQ(port.take(alice), "");

    say(bob, "/join Other Room");
    EXPECT_EQ(port.take(alice), "1003 LEAVE bob 0000\r\n");
    port.take(bob);
    say(alice, "anyone?");
    EXPECT_EQ(port.take(bob), "");
    EXPECT_EQ(port.take(carol), "");
}

struct CommandReply {
    const char* name;
    const char* line;
    const char* reply;
};

class GatewayModelCommandReplyTest : public GatewayModelTest,
                                     public ::testing::WithParamInterface<CommandReply> {};

TEST_P(GatewayModelCommandReplyTest, AnswersTheSender) {
    joined("alice", "Gateway Test");
    const SessionId bob = joined("bob", "Gateway Test");
    takeAll();
    say(bob, GetParam().line);
    EXPECT_EQ(port.take(bob), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GatewayModelCommandReplyTest,
    ::testing::Values(
        CommandReply{"Unknown", "/dance", "1019 ERROR \"Unknown command.\"\r\n"},
        CommandReply{"Whois", "/whois ALICE",
                     "1018 INFO \"alice is using Chat and is currently in channel \"Gateway "
                     "Test\".\"\r\n"},
        CommandReply{"WhoisUnknown", "/whois zed", "1019 ERROR \"Unknown user.\"\r\n"},
        CommandReply{"ChannelNameOf32", "/join abcdefghijklmnopqrstuvwxyz012345",
                     "1019 ERROR \"Max channel name length exceeded (max 31 symbols)\"\r\n"},
        CommandReply{"WhisperWithoutText", "/w alice",
                     "1018 INFO \"--------------------------------------------------------\"\r\n"
                     "1019 ERROR \"/whisper <player> <message> (aliases: /w /m /msg)\"\r\n"
                     "1018 INFO \"   Sends a private <message> to <player>\"\r\n1018 INFO \"   "
                     "\"\r\n1018 INFO \"   Example: /whisper nomad How are you doing?\"\r\n"},
        CommandReply{"Squelch", "/squelch alice",
                     "1009 USER alice 0020\r\n1018 INFO \"alice has been squelched.\"\r\n"},
        CommandReply{"Unsquelch", "/unsquelch alice",
                     "1018 INFO \"No longer ignoring.\"\r\n1009 USER alice 0002\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GatewayModelTest, ChannelNameOf31IsJoined) {
    const SessionId bob = logIn("bob");
    say(bob, "/join abcdefghijklmnopqrstuvwxyz01234");
    EXPECT_TRUE(port.take(bob).starts_with("1007 CHANNEL \"abcdefghijklmnopqrstuvwxyz01234\"\r\n"));
}

// Leaving ends a channel its last user leaves; joining it again must not use the channel
// that was ended (the sanitizer build reads freed memory here otherwise).
TEST_F(GatewayModelTest, TheOnlyUserOfAChannelJoinsItAgain) {
    const SessionId bob = joined("bob", "Lonely");
    takeAll();
    say(bob, "/join Lonely");
    EXPECT_TRUE(port.take(bob).starts_with("1007 CHANNEL \"Lonely\"\r\n"));
}

TEST_F(GatewayModelTest, KickedUserHasNoChannelBannedUserLandsInTheVoid) {
    const SessionId alice = joined("alice", "Lobby");
    const SessionId bob = joined("bob", "Lobby");
    const SessionId carol = joined("carol", "Lobby");
    takeAll();
    say(alice, "/kick bob go away");
    const std::string kicked = "1018 INFO \"bob has been kicked by alice (go away).\"\r\n";
    EXPECT_EQ(port.take(alice), kicked + "1003 LEAVE bob 0000\r\n");
    EXPECT_EQ(port.take(bob), kicked);
    EXPECT_EQ(model.channelOf(bob), "");
    say(bob, "hello?");
    EXPECT_EQ(port.take(bob), "1019 ERROR \"You are not in a channel.\"\r\n");
    EXPECT_EQ(port.take(carol), kicked + "1003 LEAVE bob 0000\r\n");

    say(bob, "/join Lobby");
    takeAll();
    say(alice, "/ban bob spam");
    EXPECT_EQ(port.take(bob),
              "1018 INFO \"bob has been banned by alice (spam).\"\r\n"
              "1007 CHANNEL \"The Void\"\r\n"
              "1018 INFO \"This channel does not have chat privileges.\"\r\n");
    EXPECT_EQ(port.take(carol),
              "1018 INFO \"bob has been banned by alice (spam).\"\r\n1003 LEAVE bob 0000\r\n");
    say(bob, "let me out");
    EXPECT_EQ(port.take(bob), "1019 ERROR \"This channel does not have chat privileges.\"\r\n");
    say(bob, "/join lobby");
    EXPECT_EQ(port.take(bob), "1019 ERROR \"You are banned from that channel.\"\r\n");
    EXPECT_EQ(model.channelOf(bob), "The Void");

    port.take(alice);
    say(alice, "/unban BOB");
    EXPECT_EQ(port.take(alice), "1018 INFO \"BOB is no longer banned from this channel.\"\r\n");
    say(bob, "/join Lobby");
    EXPECT_EQ(model.channelOf(bob), "Lobby");
}

TEST_F(GatewayModelTest, PublicChannelHasNoOperatorAndAnAccountOperatorMayModerateAnywhere) {
    GatewayModel withAdmin(port, clock,
                           GatewayOptions{.flood = {}, .nullEveryMs = 120000, .admins = {"Root"}});
    withAdmin.open(1, "127.0.0.1");
    withAdmin.receive(1, "\x03root\r\nrootpw\r\n");
    EXPECT_NE(port.take(1).find("1001 USER root 0008 [CHAT]\r\n"), std::string::npos);
    withAdmin.open(2, "127.0.0.1");
    withAdmin.receive(2, "\x03pat\r\npatpw\r\n/kick root\r\n");
    EXPECT_TRUE(port.take(2).ends_with(
        Error("You have to be at least a Channel Operator or tempOP to use this command.")))
        << "no one is operator of the public channel";
    withAdmin.receive(1, "/kick pat bye\r\n");
    EXPECT_EQ(withAdmin.channelOf(2), "");
}

TEST_F(GatewayModelTest, FloodDropsFromTheFifthUnitAndClosesAtTheTenth) {
    const SessionId watcher = joined("watcher", "Lobby");
    model.open(2, "127.0.0.1");
    model.receive(2, "\x03mallory\r\nmallorypw\r\n/join Lobby\r\n");  // the join is unit 1
    takeAll();
    model.receive(2, "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\neight\r\n");
    EXPECT_EQ(port.take(watcher),
              "1005 TALK mallory 0000 \"one\"\r\n"
              "1005 TALK mallory 0000 \"two\"\r\n"
              "1005 TALK mallory 0000 \"three\"\r\n");
    std::string dropped;
    for (int i = 0; i < 5; ++i) {
        dropped += "1019 ERROR \"Your message quota has been exceeded!\"\r\n";
    }
    EXPECT_EQ(port.take(2), dropped);
    EXPECT_TRUE(port.closed.empty()) << "nine units";
    model.receive(2, "nine\r\n");
    EXPECT_EQ(port.closed.count(2), 1u);
    EXPECT_EQ(port.take(watcher), "1003 LEAVE mallory 0000\r\n");
}

TEST_F(GatewayModelTest, NullEveryTwoMinutesFromLoginWhateverElseWasSent) {
    const std::int64_t login = clock.ms;
    const SessionId alice = logIn("alice");
    const SessionId bob = logIn("bob");
    port.take(alice);
    const std::string talk = "1005 TALK bob 0010 \"hi\"\r\n";
    // Milliseconds after the login and whether a NULL is due; a late tick keeps the beat.
    for (const auto& [sinceLogin, due] :
         std::vector<std::pair<std::int64_t, bool>>{{119999, false},
                                                    {120000, true},
                                                    {239999, false},
                                                    {240000, true},
                                                    {360100, true},
                                                    {479999, false},
                                                    {480000, true},
                                                    {1000000, true},
                                                    {1000001, false}}) {
        clock.ms = login + sinceLogin;
        model.receive(bob, "hi\r\n");
        model.tick();
        EXPECT_EQ(port.take(alice), talk + (due ? "2000 NULL\r\n" : "")) << sinceLogin;
    }
}

// Lobby: alice its operator, bob, carol, root (an account operator); dave in Chat; olga
// logged in once and gone; eve kicked out of Lobby, in no channel; chief an account operator
// who has not logged in; zed no account at all.
struct Moderation {
    const char* name;
    const char* sender;
    std::string lines;  // CR LF between lines
    std::string reply;
    bool channelToo;             // carol, in the channel, gets the reply too
    std::size_t bansBefore = 0;  // accounts u0, u1 ... alice banned first
};

class GatewayModelModerationTest : public GatewayModelTest,
                                   public ::testing::WithParamInterface<Moderation> {};

TEST_P(GatewayModelModerationTest, RepliesAsTheRealServer) {
    std::map<std::string, SessionId> users;
    for (const char* name : {"alice", "bob", "carol", "root", "eve"}) {
        users[name] = joined(name, "Lobby");
    }
    users["dave"] = logIn("dave");
    model.closed(logIn("olga"));
    say(users["alice"], "/kick eve");
    for (std::size_t i = 0; i < GetParam().bansBefore; ++i) {
        model.closed(logIn("u" + std::to_string(i)));
        say(users["alice"], "/ban u" + std::to_string(i));
    }
    takeAll();
    say(users[GetParam().sender], GetParam().lines);
    EXPECT_EQ(port.take(users[GetParam().sender]), GetParam().reply);
    EXPECT_EQ(port.take(users["carol"]), GetParam().channelToo ? GetParam().reply : "");
}

const std::string kInNoChannel = Error("This command can only be used inside a channel.");
const std::string kBanAdmin = Error("You cannot ban administrators.");
const std::string kKickAdmin = Error("You cannot kick administrators.");
constexpr std::size_t kFull = ChatCommands::kMostBans;

INSTANTIATE_TEST_SUITE_P(
    Cases, GatewayModelModerationTest,
    ::testing::Values(
        Moderation{"BanByNonOperator", "bob", "/ban carol",
                   Error("You have to be at least a Channel Operator to use this command."), false},
        Moderation{"BanUnknownAccount", "alice", "/ban zed",
                   Info("That account doesn't currently exist."), false},
        Moderation{
            "BanOfflineAccountTwice", "alice", "/ban olga bye\r\n/ban OLGA",
            Info("olga has been banned by alice (bye).") + Info("OLGA has been banned by alice."),
            true},
        Moderation{"BanElsewhere", "alice", "/ban DAVE", Info("dave has been banned by alice."),
                   true},
        Moderation{"BanAdmin", "alice", "/ban ROOT", kBanAdmin, false},
        Moderation{"BanOfflineAdmin", "alice", "/ban chief", kBanAdmin, false},
        Moderation{"BanOperator", "root", "/ban alice", Error("You cannot ban operators."), false},
        Moderation{"BanSelf", "alice", "/ban Alice", Error("You cannot ban operators."), false},
        Moderation{"BanSelfAsAdmin", "root", "/ban root", kBanAdmin, false},
        Moderation{"BanInNoChannel", "eve", "/ban bob", kInNoChannel, false},
        Moderation{"BanAtTheBound", "alice", "/ban olga", Info("olga has been banned by alice."),
                   true, kFull - 1},
        Moderation{"BanPastTheBound", "alice", "/ban olga", Error("Unable to ban olga."), false,
                   kFull},
        Moderation{"BanAgainInAFullList", "alice", "/ban u0", Info("u0 has been banned by alice."),
                   true, kFull},
        Moderation{
            "KickByNonOperator", "bob", "/kick carol",
            Error("You have to be at least a Channel Operator or tempOP to use this command."),
            false},
        Moderation{"KickNotLoggedIn", "alice", "/kick olga", Error("That user is not logged in."),
                   false},
        Moderation{"KickElsewhere", "alice", "/kick dave",
                   Error("That user is not in this channel."), false},
        Moderation{"KickAdmin", "alice", "/kick root", kKickAdmin, false},
        Moderation{"KickOfflineAdmin", "alice", "/kick chief", kKickAdmin, false},
        Moderation{"KickOperator", "root", "/kick alice", Error("You cannot kick operators."),
                   false},
        Moderation{"KickSelf", "alice", "/kick alice", Error("You cannot kick operators."), false},
        Moderation{"KickInNoChannel", "eve", "/kick bob", kInNoChannel, false},
        Moderation{"UnbanByNonOperator", "bob", "/unban olga",
                   Error("You are not a channel operator."), false},
        Moderation{"UnbanNotBanned", "alice", "/unban olga", Error("That user is not banned."),
                   false},
        Moderation{"UnbanOnlyToTheSender", "alice", "/unban U0",
                   Info("U0 is no longer banned from this channel."), false, 1},
        Moderation{"UnbanInNoChannel", "eve", "/unban olga", kInNoChannel, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GatewayModelTest, SimulatedUsersSpeakThroughTheSameCommands) {
    const SessionId alice = joined("alice", "Demo");
    const auto sim = model.addSimulated("kestrel", "[STAR]");
    ASSERT_TRUE(sim.has_value());
    EXPECT_FALSE(model.addSimulated("ALICE", "[CHAT]").has_value()) << "name in use";
    takeAll();
    model.actAs(*sim, "/join Demo");
    model.actAs(*sim, "gl hf");
    EXPECT_EQ(port.take(alice),
              "1002 JOIN kestrel 0010 [STAR]\r\n1009 USER kestrel 0000\r\n"
              "1009 USER kestrel 0000\r\n1005 TALK kestrel 0000 \"gl hf\"\r\n");
    EXPECT_EQ(model.realUsersIn("demo"), std::vector<std::string>{"alice"});
    model.closed(*sim);
    EXPECT_EQ(port.take(alice), "1003 LEAVE kestrel 0000\r\n");
}

}  // namespace
}  // namespace varno::demo
