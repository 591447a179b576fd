#include <gtest/gtest.h>

#include <string>

#include "control/request.h"
#include "control/wire_text.h"

// The control protocol's requests and its bytes in JSON, without a socket.
namespace varno {
namespace {

std::string Written(std::string_view bytes) {
    json::Buffer buffer;
    json::Writer out(buffer);
    WriteBytes(out, bytes);
    return {buffer.GetString(), buffer.GetSize()};
}

std::optional<std::string> ReadBack(const std::string& text) {
    json::Document document;
    document.Parse(text.data(), text.size());
    return document.HasParseError() ? std::nullopt : ReadBytes(document);
}

TEST(WireText, BytesTravelAsUtf8StringsOrBase64AndComeBackAsTheyWent) {
    struct Case {
        std::string bytes;
        std::string json;
    } const cases[] = {
        {"bob", "\"bob\""},
        {"", "\"\""},
        {std::string("a\0b\r\n\x1b", 6), "\"a\\u0000b\\r\\n\\u001B\""},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
        {"caf\xe9", "{\"base64\":\"Y2Fm6Q==\"}"},   // Windows-1252
        {"\xc0\xaf", "{\"base64\":\"wK8=\"}"},      // an overlong slash
        {"\xed\xa0\x80", "{\"base64\":\"7aCA\"}"},  // a surrogate
        {"\xe2\x82", "{\"base64\":\"4oI=\"}"},      // cut short
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Written(c.bytes), c.json);
        EXPECT_EQ(ReadBack(c.json), c.bytes) << c.json;
    }
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(ReadBack(Written(all)), all);
    for (const char* bad : {"{\"base64\":\"Y2Fm6Q=\"}", "{\"base64\":\"Y2Fm6R==\"}",
                            "{\"base64\":\"Y2=m6Q==\"}", "{\"base64\":\"Y2Fm*Q==\"}",
                            "{\"base64\":\"Y2Fm6Q==\",\"x\":1}", "{\"base\":\"\"}", "7", "null"}) {
        EXPECT_EQ(ReadBack(bad), std::nullopt) << bad;
    }
}

TEST(ControlRequest, EachCommandReadsItsArgumentsAndRefusesWhatCouldBreakALine) {
    struct Case {
        std::string line;
        std::string code;   // empty: a request
        std::string check;  // name|text|reason|list|pattern|values|count|topics[|text form]
    } const cases[] = {
        {R"({"id":1,"command":"status"})", "", "|||||0|0|0"},
        {R"({"id":"a","command":"ban","name":"bob","reason":"spam"})", "", "bob||spam|||0|0|0"},
        {R"({"id":2,"command":"kick","name":{"base64":"Ym9i6Q=="}})", "", "bob\xe9|||||0|0|0"},
        {R"({"id":3,"command":"whisper","name":"bob","text":"hi there"})", "",
         "bob|hi there||||0|0|0"},
        {R"({"id":4,"command":"add","list":"shitlist","pattern":"spam*"})", "",
         "|||shitlist|spam*|0|0|0"},
        {R"({"id":5,"command":"log"})", "", "|||||0|10|0"},
        {R"({"id":5,"command":"log","n":100000})", "", "|||||0|100000|0"},
        {R"({"id":5,"command":"log","form":"text"})", "", "|||||0|10|0|text form"},
        {R"({"id":5,"command":"log","form":"runs"})", "", "|||||0|10|0"},
        {R"({"id":5,"command":"subscribe","form":"text"})", "", "|||||0|0|15"},
        {R"({"id":6,"command":"subscribe"})", "", "|||||0|0|15"},
        {R"({"id":6,"command":"subscribe","events":["log","deeds"],"backlog":3})", "",
         "|||||0|3|9"},
        {R"({"id":6,"command":"subscribe","events":[]})", "", "|||||0|0|0"},
        {"not json", "not-json", ""},
        {"{\"id\":1,\"command\":\"say\",\"text\":\"\xff\"}", "not-json", ""},
        {R"({"id":1,"command":"say","text":"\ud800"})", "not-json", ""},
        {R"([1,2])", "bad-request", ""},
        {R"({"command":"status"})", "bad-request", ""},
        {R"({"id":1.5,"command":"status"})", "bad-request", ""},
        {R"({"id":[1],"command":"status"})", "bad-request", ""},
        {R"({"id":"\udc00","command":"status"})", "bad-request", ""},
        {R"({"id":1})", "bad-request", ""},
        {R"({"id":1,"command":"bann"})", "unknown-command", ""},
        {R"({"id":1,"command":"ban"})", "missing-argument", ""},
        {R"({"id":1,"command":"whisper","name":"bob"})", "missing-argument", ""},
        {R"({"id":1,"command":"set"})", "missing-argument", ""},
        {R"({"id":1,"command":"ban","name":"bob ok"})", "bad-argument", ""},
        {R"({"id":1,"command":"ban","name":""})", "bad-argument", ""},
        {R"({"id":1,"command":"ban","name":"bob\u0000"})", "bad-argument", ""},
        {R"({"id":1,"command":"ban","name":7})", "bad-argument", ""},
        {R"({"id":1,"command":"ban","name":"bob","reason":"x\r\n/ban alice"})", "bad-argument", ""},
        {R"({"id":1,"command":"say","text":"hi\n/ban alice"})", "bad-argument", ""},
        {R"({"id":1,"command":"say","text":"hi\u0000"})", "bad-argument", ""},
        {R"({"id":1,"command":"say","text":""})", "bad-argument", ""},
        {R"({"id":1,"command":"add","list":"shitlist","pattern":"a\nb"})", "bad-argument", ""},
        {R"({"id":1,"command":"add","list":"other","pattern":"a"})", "bad-argument", ""},
        {R"({"id":1,"command":"set","values":{"LogFolder":"x\ny"}})", "bad-argument", ""},
        {R"({"id":1,"command":"set","values":{}})", "bad-argument", ""},
        {R"({"id":1,"command":"set","values":{"SendQuota":4}})", "bad-argument", ""},
        {R"({"id":1,"command":"log","n":100001})", "bad-argument", ""},
        {R"({"id":1,"command":"log","n":-1})", "bad-argument", ""},
        {R"({"id":1,"command":"log","form":"Text"})", "bad-argument", ""},
        {R"({"id":1,"command":"log","form":true})", "bad-argument", ""},
        {R"({"id":1,"command":"subscribe","events":["everything"]})", "bad-argument", ""},
    };
    for (const Case& c : cases) {
        const ParsedRequest parsed = ParseRequest(c.line);
        ASSERT_EQ(parsed.request.has_value(), c.code.empty())
            << c.line << " " << parsed.error.message;
        if (!parsed.request) {
            EXPECT_EQ(parsed.error.code, c.code) << c.line;
            continue;
        }
        const Request& r = *parsed.request;
        EXPECT_EQ(r.name + "|" + r.text + "|" + r.reason + "|" + r.list + "|" + r.pattern + "|" +
                      std::to_string(r.values.size()) + "|" + std::to_string(r.count) + "|" +
                      std::to_string(r.topics) + (r.textForm ? "|text form" : ""),
                  c.check)
            << c.line;
    }
    // The id comes back as it was written; a line without one gives none.
    EXPECT_EQ(ParseRequest(R"({"id":"a\"b","command":"status"})").request->id, R"("a\"b")");
    EXPECT_EQ(ParseRequest(R"({"id":18446744073709551615,"command":"bann"})").error.id,
              "18446744073709551615");
    EXPECT_EQ(ParseRequest("nope").error.id, "");
    const auto set = ParseRequest(R"({"id":1,"command":"set","values":{"B":"2","A":"1"}})");
    EXPECT_EQ(set.request->values,
              (std::vector<std::pair<std::string, std::string>>{{"B", "2"}, {"A", "1"}}));
}

TEST(ControlRequest, DeepNestingIsAnAnswerNotACrash) {
    const std::string deep =
        std::string(kMaxRequestBytes / 2, '[') + std::string(kMaxRequestBytes / 2, ']');
    EXPECT_EQ(ParseRequest(deep).error.code, "bad-request");
    const std::string open(kMaxRequestBytes, '{');
    EXPECT_EQ(ParseRequest(open).error.code, "not-json");
}

}  // namespace
}  // namespace varno
