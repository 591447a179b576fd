#include "demo/gateway_model.h"

#include <gtest/gtest.h>

#include <string>

#include "demo_fakes.h"

namespace varno::demo {
namespace {

constexpr char kBanner[] =
    "BOT or Telnet Connection from [127.0.0.1]\r\n\r\nEnter your account name and password.\r\n"
    "Sorry, there is no guest account.\r\n\r\nUsername: ";
constexpr char kFailed[] = "\r\nLogin failed.\r\n\r\nUsername: ";

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
    GatewayModel model{port, clock};
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

class RefusedLoginTest : public GatewayModelTest,
                         public ::testing::WithParamInterface<RefusedLogin> {};

TEST_P(RefusedLoginTest, LoginFailedThenThePromptAgainOnTheSameSocket) {
    logIn("alice");
    model.open(9, "127.0.0.1");
    model.receive(9, "\x03" + GetParam().user + "\r\n" + GetParam().password + "\r\n");
    EXPECT_EQ(port.take(9), kBanner + GetParam().user + "\r\nPassword: " + kFailed);
    EXPECT_TRUE(port.closed.empty());
    model.receive(9, "bob\r\nbobpw\r\n");
    EXPECT_NE(port.take(9).find("2010 NAME bob\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedLoginTest,
                         ::testing::Values(RefusedLogin{"WrongPassword", "bob", "bobPW"},
                                           RefusedLogin{"NameAlreadyLoggedIn", "ALICE", "ALICEpw"},
                                           RefusedLogin{"NameOfSixteen", "abcdefghijklmnop",
                                                        "abcdefghijklmnoppw"},
                                           RefusedLogin{"NameWithQuote", "a\"b", "a\"bpw"},
                                           RefusedLogin{"NameWithBlank", "a b", "a bpw"}),
                         [](const auto& info) { return std::string(info.param.name); });

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

class CommandReplyTest : public GatewayModelTest,
                         public ::testing::WithParamInterface<CommandReply> {};

TEST_P(CommandReplyTest, AnswersTheSender) {
    joined("alice", "Gateway Test");
    const SessionId bob = joined("bob", "Gateway Test");
    takeAll();
    say(bob, GetParam().line);
    EXPECT_EQ(port.take(bob), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandReplyTest,
    ::testing::Values(
        CommandReply{"Unknown", "/dance", "1019 ERROR \"Unknown command.\"\r\n"},
        CommandReply{"BanByNonOperator", "/ban alice x",
                     "1019 ERROR \"You are not a channel operator.\"\r\n"},
        CommandReply{"KickByNonOperator", "/kick alice",
                     "1019 ERROR \"You have to be at least a Channel Operator to use this "
                     "command.\"\r\n"},
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
        "1019 ERROR \"You have to be at least a Channel Operator to use this command.\"\r\n"))
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

TEST_F(GatewayModelTest, IdleClientGetsNullEveryTwoMinutes) {
    const SessionId alice = logIn("alice");
    clock.ms += 119999;
    model.tick();
    EXPECT_EQ(port.take(alice), "");
    clock.ms += 1;
    model.tick();
    EXPECT_EQ(port.take(alice), "2000 NULL\r\n");
    clock.ms += 119999;
    model.tick();
    EXPECT_EQ(port.take(alice), "");
}

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
