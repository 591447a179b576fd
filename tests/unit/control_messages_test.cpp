#include <gtest/gtest.h>

#include <string>

#include "control/messages.h"
#include "control/socket_path.h"
#include "moderation/rule_keys.h"

// What the bot writes and varnoctl reads back, the socket's paths, and the rule keys' checks
// that the Rules page and the control socket share.
namespace varno {
namespace {

// Writes one object with write, then reads it back with read.
template <class T>
std::optional<T> RoundTrip(void (*write)(json::Writer&, const T&),
                           std::optional<T> (*read)(const json::Value&), const T& value) {
    json::Buffer buffer;
    json::Writer out(buffer);
    write(out, value);
    json::Document document;
    document.Parse(buffer.GetString(), buffer.GetSize());
    return document.HasParseError() ? std::nullopt : read(document);
}

TEST(ControlMessages, EveryObjectComesBackAsItWasWrittenBytesAndAll) {
    const std::string odd = "caf\xe9\x01\r\n";  // not UTF-8, with control bytes
    const StatusReport status{"In Lobby", "connected", true, "gw", odd, "alice", 3, 2, 1, 4, 5, 6};
    EXPECT_EQ(RoundTrip(WriteStatus, ReadStatus, status), status);
    const User user{odd, "0010", "[CHAT]"};
    EXPECT_EQ(RoundTrip(WriteUser, ReadUser, user), user);
    const TimedBanRow ban{odd, -5, 9223372036854775807, true};
    EXPECT_EQ(RoundTrip(WriteTimedBan, ReadTimedBan, ban), ban);
    const RuleRow rule{"SendQuota", "4", "Units.", "'four' is read as 4"};
    EXPECT_EQ(RoundTrip(WriteRule, ReadRule, rule), rule);
    const ScriptRow script{odd, false, "Script x: boom"};
    EXPECT_EQ(RoundTrip(WriteScript, ReadScript, script), script);
    const DeedReport deed{"kick", odd, false, "You cannot kick operators.", "seen"};
    EXPECT_EQ(RoundTrip(WriteDeed, ReadDeed, deed), deed);

    Runs runs = {{colour::kWhite, "[14:03:07] "}, {0x0a0b0c, odd}};
    runs[1].linksFrom = 3;
    runs[1].mention = true;
    LogEventWriter writer;
    const std::string event(writer.Write(runs, true));
    Message m;
    ASSERT_TRUE(ReadMessage(event, m));
    EXPECT_EQ(m.event, "log");
    const auto line = ReadLogLine(*m.body);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->whisper);
    ASSERT_EQ(line->runs, runs);
    EXPECT_EQ(line->runs[1].colour, 0x0a0b0cu);
    EXPECT_EQ(line->runs[1].linksFrom, 3u);
    EXPECT_TRUE(line->runs[1].mention);
    EXPECT_EQ(line->runs[0].linksFrom, kNoLinks);
}

TEST(ControlMessages, LinesThatAreNeitherAnswerNorEventAreBad) {
    struct Case {
        std::string line;
        Message::Kind kind;
    } const cases[] = {
        {R"({"id":1,"ok":true,"result":{}})", Message::Kind::Answer},
        {R"({"id":null,"ok":false,"error":{"code":"busy","message":"full"}})",
         Message::Kind::Answer},
        {R"({"event":"user","change":"cleared"})", Message::Kind::Event},
        {R"({"id":1,"ok":true})", Message::Kind::Bad},
        {R"({"id":1,"ok":true,"result":[]})", Message::Kind::Bad},
        {R"({"id":1,"ok":false,"error":{"code":7,"message":"x"}})", Message::Kind::Bad},
        {R"({"id":1,"ok":"yes","result":{}})", Message::Kind::Bad},
        {R"({"event":7})", Message::Kind::Bad},
        {"[]", Message::Kind::Bad},
        {"{\"id\":1,\"ok\":true,\"result\":{}}\xff", Message::Kind::Bad},
        {R"({"id":"a","ok":true,"result":{}})", Message::Kind::Answer},
        {R"({"id":[1],"ok":true,"result":{}})", Message::Kind::Bad},
        // The line is checked whole before it is parsed in place: no byte of it may be one
        // the parser would take for its end, or that is not UTF-8.
        {std::string("{\"id\":1,\"ok\":true,\"result\":{}}\0,", 32), Message::Kind::Bad},
        {std::string("{\"id\":1,\"ok\":true,\"result\":{\"a\":\"\0\"}}", 37), Message::Kind::Bad},
        {"{\"id\":1,\"ok\":true,\"result\":{\"a\":\"\xC3\"}}", Message::Kind::Bad},
        {"{\"id\":1,\"ok\":true,\"result\":{\"a\":\"\xED\xA0\x80\"}}", Message::Kind::Bad},
        {"{\"id\":1,\"ok\":true,\"result\":{\"a\":\"\xC3\xA9\\u00e9\\n\"}}", Message::Kind::Answer},
        // An id no bot sends, nested deep enough to run a recursive writer out of stack.
        {"{\"id\":" + std::string(1 << 20, '[') + std::string(1 << 20, ']') +
             ",\"ok\":true,\"result\":{}}",
         Message::Kind::Bad},
    };
    for (const Case& c : cases) {
        Message m;
        EXPECT_EQ(ReadMessage(c.line, m), c.kind != Message::Kind::Bad) << c.line;
        EXPECT_EQ(m.kind, c.kind) << c.line;
    }
    for (const char* bad : {R"({"runs":[],"whisper":1})",
                            R"({"runs":[{"colour":"#12345","text":""}],"whisper":false})",
                            R"({"runs":[{"colour":"#12345g","text":""}],"whisper":false})",
                            R"({"runs":[{"colour":"#123456","text":7}],"whisper":false})"}) {
        json::Document d;
        d.Parse(bad);
        EXPECT_FALSE(ReadLogLine(d)) << bad;
    }
    const std::string error = ErrorLine("", "busy", "full");
    EXPECT_EQ(error,
              "{\"id\":null,\"ok\":false,\"error\":{\"code\":\"busy\",\"message\":\"full\"}}\n");
    EXPECT_EQ(AnswerLine("\"x\"", [](json::Writer&) {}),
              "{\"id\":\"x\",\"ok\":true,\"result\":{}}\n");
}

// The writer copies a string with nothing to escape whole: what it writes is the library's.
TEST(ControlMessages, TheWriterWritesWhatTheLibraryWrites) {
    std::vector<std::string> texts = {"",     "plain",    "caf\xc3\xa9",         "a\"b",
                                      "a\\b", "\x7f\x80", std::string("\0x", 2), "tab\t",
                                      "/</"};
    for (int b = 0; b < 256; ++b) {
        texts.push_back(std::string(1, static_cast<char>(b)) + "abc");
        texts.push_back("abc" + std::string(1, static_cast<char>(b)));
    }
    const auto write = [&texts](auto& out) {
        out.StartObject();
        for (const std::string& text : texts) {
            out.Key(text.data(), static_cast<rapidjson::SizeType>(text.size()));
            out.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
        }
        out.EndObject();
    };
    json::Buffer ours;
    json::Writer writer(ours);
    write(writer);
    json::Buffer library;
    rapidjson::Writer<json::Buffer> reference(library);
    write(reference);
    EXPECT_EQ(std::string_view(ours.GetString(), ours.GetSize()),
              std::string_view(library.GetString(), library.GetSize()));
}

TEST(ControlSocketPath, TheRuntimeFolderFirstThenTheSettingsFolder) {
    struct Case {
        std::string folder, runtime, path;
    } const cases[] = {
        {"/var/lib/varnobot/oproom", "", "/var/lib/varnobot/oproom/control.sock"},
        {"/home/op/bot/", "", "/home/op/bot/control.sock"},
        {"/var/lib/varnobot", "/run/varnobot", "/run/varnobot/control"},
        {"/x", "/run/varnobot/oproom:/run/other", "/run/varnobot/oproom/control"},
        {"/x", ":/run/other", "/x/control.sock"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ControlSocketPath(c.folder, c.runtime), c.path) << c.runtime;
    }
    EXPECT_EQ(ServiceSocketPath(""), "/run/varnobot/control");
    EXPECT_EQ(ServiceSocketPath("oproom"), "/run/varnobot/oproom/control");
}

TEST(RuleKeys, ValuesAreCheckedAtTheirBoundsAndOnePastAsTheRulesPageChecksThem) {
    struct Case {
        std::string key, text;
        std::string wrong;  // empty: taken
        std::string value;
    } const cases[] = {
        {"FloodLines", "1000/86400", "", "1000/86400"},
        {"FloodLines", " 6 / 5 ", "", "6/5"},
        {"FloodLines", "1001/5", "FloodLines count must be a whole number from 0 to 1000", ""},
        {"FloodLines", "6/86401", "FloodLines seconds must be a whole number from 0 to 86400", ""},
        {"FloodLines", "6", "FloodLines must be a count and seconds, as 6/5", ""},
        {"FloodLines", "-1/5", "FloodLines count must be a whole number from 0 to 1000", ""},
        {"BanOnEntry", "1", "", "1"},
        {"BanOnEntry", "2", "BanOnEntry must be a whole number from 0 to 1", ""},
        {"SendQuota", "1000000", "", "1000000"},
        {"SendQuota", "1000001", "SendQuota must be a whole number from 0 to 1000000", ""},
        {"BanMinutes", "5270400", "", "5270400"},
        {"BanMinutes", "5270401", "BanMinutes must be a whole number from 0 to 5270400", ""},
        {"LogFolder", " logs ", "", "logs"},
        {"LogFolder", "a\tb", "LogFolder may not hold a control character", ""},
    };
    for (const Case& c : cases) {
        const RuleKey* rule = FindRuleKey(c.key);
        ASSERT_NE(rule, nullptr) << c.key;
        std::string value;
        EXPECT_EQ(CheckRuleValue(*rule, c.text, value), c.wrong) << c.key << "=" << c.text;
        EXPECT_EQ(value, c.value) << c.key << "=" << c.text;
    }
    EXPECT_EQ(FindRuleKey("floodlines"), nullptr) << "letter case counts, as in the file";
    EXPECT_EQ(FindRuleKey("Password"), nullptr);
    const RuleValue read = ReadRuleValue(*FindRuleKey("SendQuota"), "four");
    EXPECT_EQ(read.shown, "4");
    EXPECT_FALSE(read.exact);
}

}  // namespace
}  // namespace varno
