#include "connection/dispatcher.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "unit/fixture_reader.h"

namespace varno {
namespace {

using Calls = std::vector<std::string>;

// Records every handler call as "Handler(arg|arg|arg)"; throws after recording a call to
// the handler named in throwIn.
class RecordingSink : public EventSink {
public:
    void OnUserInChannel(std::string_view n, std::string_view f, std::string_view p) override {
        record("OnUserInChannel", {n, f, p});
    }
    void OnUserJoin(std::string_view n, std::string_view f, std::string_view p) override {
        record("OnUserJoin", {n, f, p});
    }
    void OnUserLeave(std::string_view n, std::string_view f) override {
        record("OnUserLeave", {n, f});
    }
    void OnWhisperReceived(std::string_view n, std::string_view f, std::string_view t) override {
        record("OnWhisperReceived", {n, f, t});
    }
    void OnUserTalk(std::string_view n, std::string_view f, std::string_view t) override {
        record("OnUserTalk", {n, f, t});
    }
    void OnChannelJoined(std::string_view c) override { record("OnChannelJoined", {c}); }
    void OnUserFlags(std::string_view n, std::string_view f) override {
        record("OnUserFlags", {n, f});
    }
    void OnWhisperSent(std::string_view n, std::string_view f, std::string_view t) override {
        record("OnWhisperSent", {n, f, t});
    }
    void OnChannelFull(std::string_view t) override { record("OnChannelFull", {t}); }
    void OnChannelNotFound(std::string_view t) override { record("OnChannelNotFound", {t}); }
    void OnChannelRestricted(std::string_view t) override { record("OnChannelRestricted", {t}); }
    void OnInfo(std::string_view t) override { record("OnInfo", {t}); }
    void OnServerError(std::string_view t) override { record("OnServerError", {t}); }
    void OnUserEmote(std::string_view n, std::string_view f, std::string_view t) override {
        record("OnUserEmote", {n, f, t});
    }
    void OnUniqueName(std::string_view n) override { record("OnUniqueName", {n}); }
    void OnPlainText(std::string_view line) override { record("OnPlainText", {line}); }

    Calls calls;
    std::string throwIn;

private:
    void record(const std::string& handler, std::initializer_list<std::string_view> args) {
        std::string call = handler + "(";
        for (const std::string_view arg : args) {
            call.append(arg).append("|");
        }
        if (args.size() > 0) {
            call.pop_back();
        }
        calls.push_back(call + ")");
        if (handler == throwIn) {
            throw std::runtime_error("handler failed");
        }
    }
};

// The handler calls for one line dispatched after the plain-text stage has ended.
Calls EventCalls(const Edition& edition, std::string_view line) {
    RecordingSink sink;
    Dispatcher dispatcher(edition, sink);
    dispatcher.ParseEvent("2000 K");
    dispatcher.ParseEvent(line);
    return sink.calls;
}

TEST(Dispatcher, EachCodeCallsItsHandlerWithItsArguments) {
    struct Case {
        std::string line;
        Calls calls;
    };
    const Case cases[] = {
        {"1001 USER alice 0010 [CHAT]", {"OnUserInChannel(alice|0010|[CHAT])"}},
        {"1002 JOIN bob 0010 [CHAT]", {"OnUserJoin(bob|0010|[CHAT])"}},
        {"1003 LEAVE bob 0000", {"OnUserLeave(bob|0000)"}},
        {"1004 WHISPER bob 0000 \"secret two\"", {"OnWhisperReceived(bob|0000|secret two)"}},
        {"1005 K alice 0010 \"hi there\"", {"OnUserTalk(alice|0010|hi there)"}},
        {"1007 K \"Lobby\"", {"OnChannelJoined(Lobby)"}},
        {"1009 USER bob 0020", {"OnUserFlags(bob|0020)"}},
        {"1010 WHISPER bob 0000 \"reply\"", {"OnWhisperSent(bob|0000|reply)"}},
        {"1013 K \"full\"", {"OnChannelFull(full)"}},
        {"1014 K \"not found\"", {"OnChannelNotFound(not found)"}},
        {"1015 K \"restricted\"", {"OnChannelRestricted(restricted)"}},
        {"1016 K \"a\"", {"OnInfo(a)"}},
        {"1018 INFO \"b\"", {"OnInfo(b)"}},
        {"3000 K \"c\"", {"OnInfo(c)"}},
        {"1019 ERROR \"Unknown user.\"", {"OnServerError(Unknown user.)"}},
        {"1023 EMOTE bob 0000 \"dances\"", {"OnUserEmote(bob|0000|dances)"}},
        {"2010 NAME alice", {"OnUniqueName(alice)"}},
        // Quoted text: from the first quote to before the last character, never unescaped.
        {"1002 K bob 0010 [CHAT] extra", {"OnUserJoin(bob|0010|[CHAT])"}},
        {"1018 INFO \"bob is in channel \"Gateway Test\".\"",
         {"OnInfo(bob is in channel \"Gateway Test\".)"}},
        {"1005 TALK bob 0000 \"   spaced   \"", {"OnUserTalk(bob|0000|   spaced   )"}},
        {"1018 INFO \"\"", {"OnInfo()"}},
        {"1007 K \"", {"OnChannelJoined()"}},
        {"1005 K alice 0010 \"hi there", {"OnUserTalk(alice|0010|hi ther)"}},
        {"1005 K alice 0010", {"OnUserTalk(alice|0010|)"}},
        {"1007 CHANNEL", {"OnChannelJoined()"}},
        {"1005 K alice 0010\"hi\"", {"OnUserTalk(alice|001|hi)"}},
        {"1005   TALK  alice    0010  \"hi\"", {"OnUserTalk(alice|0010|hi)"}},
        {"\n1005 K alice 0010 \"x\"", {"OnUserTalk(alice|0010|x)"}},
        {"1005 K a\rb 0010 \"x\ry\"", {"OnUserTalk(a\rb|0010|x\ry)"}},
        // Too few fields: the handler is not called.
        {"1001 USER alice 0010", {}},
        {"1002 JOIN bob 0010", {}},
        {"1003 LEAVE bob", {}},
        {"1004 K bob \"x\"", {}},
        {"1005 K \"x\"", {}},
        {"1009 USER", {}},
        {"1010 K bob", {}},
        {"1023 K", {}},
        {"2010 NAME", {}},
        {"2010 \"alice\"", {}},
        // Outside the range or without a code.
        {"1000 K alice 0010 \"x\"", {}},
        {"3001 K \"x\"", {}},
        {"2000 K", {}},
        {"1006 K \"x\"", {}},
        {"1001", {}},
        {"", {}},
        {"\n", {}},
        {"\n\n1005 K a 0010 \"x\"", {}},
        {" 1005 K a 0010 \"x\"", {}},
        {"K 1005 a 0010 \"x\"", {}},
        {"abcd", {}},
        {"10x5 K a 0010 \"x\"", {}},
        {"10021 K a 0010 \"x\"", {}},
        {"99999999999999999999 K \"x\"", {}},
        {"1005\"", {}},
        {"1007\"x\"", {}},
        {"\"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EventCalls(Edition::v201(), c.line), c.calls) << c.line;
    }
}

TEST(Dispatcher, Edition200HasNoFlagsEvent) {
    EXPECT_EQ(EventCalls(Edition::v200(), "1009 USER bob 0020"), Calls{});
    EXPECT_EQ(EventCalls(Edition::v200(), "1005 K bob 0020 \"x\""),
              Calls{"OnUserTalk(bob|0020|x)"});
}

TEST(Dispatcher, PlainTextUntilTheFirstEventLine) {
    RecordingSink sink;
    Dispatcher dispatcher(Edition::v201(), sink);
    dispatcher.ParseData(
        "BOT or Telnet Connection from [127.0.0.1]\r\n\r\n \t\r\n\nLogin failed.\r\n1000 x\r\n"
        "2000 K\r\nafter\r\n2010 NAME bob\r\nUsername: \r\n");
    EXPECT_EQ(sink.calls,
              (Calls{"OnPlainText(BOT or Telnet Connection from [127.0.0.1])",
                     "OnPlainText(Login failed.)", "OnPlainText(1000 x)", "OnUniqueName(bob)"}));

    sink.calls.clear();
    dispatcher.reset();
    dispatcher.ParseData("Username: \r\n  \r\n1018 INFO \"x\"\r\nnot shown\r\n");
    EXPECT_EQ(sink.calls, (Calls{"OnPlainText(Username: )", "OnInfo(x)"}));
}

TEST(Dispatcher, LineCutAtAnyByteIsDispatchedOnceAndWhole) {
    const std::string line = "1005 TALK bob 0000 \"hi there\"\r\n";
    for (std::size_t cut = 0; cut <= line.size(); ++cut) {
        RecordingSink sink;
        Dispatcher dispatcher(Edition::v201(), sink);
        dispatcher.ParseData("2000 K\r\n" + line.substr(0, cut));
        dispatcher.ParseData(line.substr(cut));
        EXPECT_EQ(sink.calls, Calls{"OnUserTalk(bob|0000|hi there)"}) << "cut at " << cut;
    }
}

TEST(Dispatcher, ResetForgetsTheCarriedLine) {
    RecordingSink sink;
    Dispatcher dispatcher(Edition::v201(), sink);
    dispatcher.ParseData("2000 K\r\n1005 TALK bob 0000 \"cut");
    dispatcher.reset();
    dispatcher.ParseData(" off\"\r\n1018 INFO \"x\"\r\n");
    EXPECT_EQ(sink.calls, (Calls{"OnPlainText( off\")", "OnInfo(x)"}));
}

TEST(Dispatcher, OverlongLineIsDroppedAndTheNextOneDispatched) {
    RecordingSink sink;
    Dispatcher dispatcher(Edition::v201(), sink);
    const std::string overlong = "1018 INFO \"" + std::string(LineFramer::kMaxLine, 'x') + "\"";
    dispatcher.ParseData(overlong.substr(0, 40000));
    dispatcher.ParseData(overlong.substr(40000));
    dispatcher.ParseData("\r\n1018 INFO \"next\"\r\n");
    EXPECT_EQ(sink.calls, Calls{"OnInfo(next)"});
}

TEST(Dispatcher, JoinNamesOfTheLastBlock) {
    RecordingSink sink;
    Dispatcher dispatcher(Edition::v201(), sink);
    dispatcher.ParseData(
        "1002 JOIN bob 0010 [CHAT]\r\n1005 TALK x 0000 \"1002 JOIN eve\"\r\n1002 JOIN carol\r\n"
        "1002 JOIN\r\n1002 JOIN dave 0010 [CHAT]\r\n1002 JOIN frank");
    EXPECT_EQ(dispatcher.joinNames(), (std::vector<std::string>{"bob", "carol", "dave"}));
    EXPECT_EQ(sink.calls, (Calls{"OnUserJoin(bob|0010|[CHAT])", "OnUserTalk(x|0000|1002 JOIN eve)",
                                 "OnUserJoin(dave|0010|[CHAT])"}));

    dispatcher.ParseData(" 0010 [CHAT]\r\n");
    EXPECT_EQ(dispatcher.joinNames(), std::vector<std::string>{"frank"});
    dispatcher.ParseData("1018 INFO \"\"\r\n");
    EXPECT_TRUE(dispatcher.joinNames().empty());
}

TEST(Dispatcher, NamesOfUsersPresentApartFromJoins) {
    RecordingSink sink;
    Dispatcher dispatcher(Edition::v200(), sink);
    dispatcher.ParseData(
        "1001 USER alice 0010 [CHAT]\r\n1002 JOIN bob 0010 [CHAT]\r\n1001 USER carol\r\n"
        "1001 USER\r\n1001 USER dave 0000 [CHAT]\r\n");
    EXPECT_EQ(dispatcher.presentNames(), (std::vector<std::string>{"alice", "carol", "dave"}));
    EXPECT_EQ(dispatcher.joinNames(), std::vector<std::string>{"bob"});
    dispatcher.ParseData("1002 JOIN eve 0010 [CHAT]\r\n");
    EXPECT_TRUE(dispatcher.presentNames().empty());
}

TEST(Dispatcher, FailingHandlerEndsOnlyItsLine) {
    for (const char* failing : {"OnUserTalk", "OnPlainText", "OnUserJoin"}) {
        RecordingSink sink;
        sink.throwIn = failing;
        Dispatcher dispatcher(Edition::v201(), sink);
        EXPECT_NO_THROW(dispatcher.ParseData(
            "hello\r\n1002 JOIN bob 0010 [CHAT]\r\n1005 TALK bob 0010 \"x\"\r\n2010 NAME bob\r\n"));
        EXPECT_EQ(sink.calls, (Calls{"OnPlainText(hello)", "OnUserJoin(bob|0010|[CHAT])",
                                     "OnUserTalk(bob|0010|x)", "OnUniqueName(bob)"}))
            << failing;
        EXPECT_EQ(dispatcher.joinNames(), std::vector<std::string>{"bob"}) << failing;
    }
}

TEST(Dispatcher, ResetFromAHandlerDropsTheRestOfTheBlock) {
    struct ResettingSink : RecordingSink {
        Dispatcher* dispatcher = nullptr;
        void OnUserTalk(std::string_view n, std::string_view f, std::string_view t) override {
            RecordingSink::OnUserTalk(n, f, t);
            dispatcher->reset();
        }
    } sink;
    Dispatcher dispatcher(Edition::v201(), sink);
    sink.dispatcher = &dispatcher;
    dispatcher.ParseData("2000 K\r\n1005 TALK a 0000 \"!reconnect\"\r\n1018 INFO \"old\"\r\n10");
    dispatcher.ParseData("Welcome\r\n");
    EXPECT_EQ(sink.calls, (Calls{"OnUserTalk(a|0000|!reconnect)", "OnPlainText(Welcome)"}));
}

// Replays a fixture, one ParseData per read.
Calls Replay(const Edition& edition, const std::vector<std::string>& reads) {
    RecordingSink sink;
    Dispatcher dispatcher(edition, sink);
    for (const std::string& read : reads) {
        dispatcher.ParseData(read);
    }
    return sink.calls;
}

std::map<std::string, int> CountByHandler(const Calls& calls) {
    std::map<std::string, int> counts;
    for (const std::string& call : calls) {
        ++counts[call.substr(0, call.find('('))];
    }
    return counts;
}

TEST(DispatcherFixtures, LoginFailedThenRetry) {
    const std::vector<std::string> reads = test::ReadFixture("login-failed-then-retry.txt");
    ASSERT_FALSE(reads.empty());
    const Calls expected = {
        "OnPlainText(BOT or Telnet Connection from [127.0.0.1])",
        "OnPlainText(Enter your account name and password.)",
        "OnPlainText(Sorry, there is no guest account.)",
        "OnPlainText(Username: bob)",
        "OnPlainText(Password: )",
        "OnPlainText(Login failed.)",
        "OnPlainText(Username: bob)",
        "OnPlainText(Password: )",
        "OnUniqueName(bob)",
        "OnChannelJoined(Chat)",
        "OnUserInChannel(bob|0010|[CHAT])",
        "OnServerError(Hello bob, welcome to Gateway Realm!)",
        "OnInfo(Running version Gateway 1.0 on vm.)",
        "OnInfo(This server is hosted by a Gateway user)",
        "OnInfo()",
        "OnInfo(There are 3 user accounts on this server.)",
        "OnInfo(There are currently 2 users in 0 games of Chat,)",
        "OnInfo(and 2 users playing 0 games and chatting in 45 channels.)",
        "OnInfo(Having trouble with a command? Type /help to)",
        "OnInfo(learn more about it.)",
        "OnInfo(Type /language to switch translation.)",
        "OnInfo()",
        "OnUserTalk(bob|0010|You have no mail.)",
        "OnInfo(This is the public chat channel. Feel free to chat...)",
        "OnChannelJoined(TestChan)",
        "OnUserInChannel(bob|0010|[CHAT])",
        "OnUserInChannel(alice|0002|[CHAT])",
        "OnUserFlags(bob|0000)",
        "OnUserFlags(bob|0000)",
        "OnUserLeave(alice|0002)",
    };
    EXPECT_EQ(Replay(Edition::v201(), reads), expected);
}

TEST(DispatcherFixtures, LoginAndFirstChannel) {
    const std::vector<std::string> reads = test::ReadFixture("login-and-first-channel.txt");
    ASSERT_FALSE(reads.empty());
    const Calls calls = Replay(Edition::v201(), reads);
    ASSERT_GE(calls.size(), 9u);
    EXPECT_EQ(
        Calls(calls.begin(), calls.begin() + 9),
        (Calls{"OnPlainText(BOT or Telnet Connection from [127.0.0.1])",
               "OnPlainText(Enter your account name and password.)",
               "OnPlainText(Sorry, there is no guest account.)", "OnPlainText(Username: alice)",
               "OnPlainText(Password: )", "OnUniqueName(alice)", "OnChannelJoined(Chat)",
               "OnUserInChannel(alice|0010|[CHAT])",
               "OnServerError(Hello alice, welcome to Gateway Realm!)"}));
    EXPECT_EQ(Calls(calls.end() - 5, calls.end()),
              (Calls{"OnInfo(you are now tempOP for this channel)", "OnUserFlags(alice|0010)",
                     "OnUserInChannel(alice|0010|[CHAT])", "OnUserFlags(alice|0002)",
                     "OnUserFlags(alice|0002)"}));
    EXPECT_EQ(CountByHandler(calls), (std::map<std::string, int>{{"OnChannelJoined", 2},
                                                                 {"OnInfo", 12},
                                                                 {"OnPlainText", 5},
                                                                 {"OnServerError", 1},
                                                                 {"OnUniqueName", 1},
                                                                 {"OnUserFlags", 3},
                                                                 {"OnUserInChannel", 2},
                                                                 {"OnUserTalk", 1}}));
}

TEST(DispatcherFixtures, TwoUsersOneChannelInBothEditions) {
    const std::vector<std::string> reads = test::ReadFixture("two-users-one-channel.txt");
    ASSERT_FALSE(reads.empty());
    const Calls calls = Replay(Edition::v201(), reads);
    for (const char* call :
         {"OnUserJoin(bob|0010|[CHAT])", "OnUserTalk(bob|0000|   leading spaces and trailing   )",
          "OnUserEmote(bob|0000|dances)", "OnWhisperSent(bob|0000|secret one)",
          "OnWhisperReceived(bob|0000|secret two)",
          "OnInfo(bob is using Chat and is currently in channel \"Gateway "
          "Test\".)",
          "OnChannelJoined(The Void)", "OnUserLeave(bob|0000)"}) {
        EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call;
    }
    const std::map<std::string, int> counts = CountByHandler(calls);
    EXPECT_EQ(counts.at("OnPlainText"), 5);
    EXPECT_EQ(counts.at("OnUserJoin"), 2);
    EXPECT_EQ(counts.at("OnUserFlags"), 16);
    EXPECT_EQ(counts.at("OnWhisperSent"), 3);
    EXPECT_EQ(counts.at("OnWhisperReceived"), 2);

    const std::map<std::string, int> counts200 = CountByHandler(Replay(Edition::v200(), reads));
    EXPECT_EQ(counts200.count("OnUserFlags"), 0u);
    std::map<std::string, int> without = counts;
    without.erase("OnUserFlags");
    EXPECT_EQ(counts200, without);
}

TEST(DispatcherFixtures, AnyReadSizeGivesTheSameCalls) {
    for (const char* name : {"login-and-first-channel.txt", "login-failed-then-retry.txt",
                             "two-users-one-channel.txt"}) {
        const std::vector<std::string> reads = test::ReadFixture(name);
        std::string stream;
        for (const std::string& read : reads) {
            stream += read;
        }
        const Calls expected = Replay(Edition::v201(), reads);
        for (std::size_t size = 1; size <= 17; ++size) {
            std::vector<std::string> chunks;
            for (std::size_t at = 0; at < stream.size(); at += size) {
                chunks.push_back(stream.substr(at, size));
            }
            EXPECT_EQ(Replay(Edition::v201(), chunks), expected) << name << " in reads of " << size;
        }
    }
}

}  // namespace
}  // namespace varno
