#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control/backlog.h"
#include "control/control_service.h"
#include "control/control_session.h"
#include "control/messages.h"
#include "control/wire_text.h"
#include "log/line_text.h"
#include "support/client_rig.h"

// The control socket without a socket: a client over fake ports, its backlog, and the
// service's clients, each request answered through the client's own entry points.
namespace varno {
namespace {

using test::ClientRig;

constexpr char kSettings[] = "[Varno]\r\nUsername=alice\r\nHome=Lobby\r\nServer=gw\r\n";

struct ServiceRig {
    explicit ServiceRig(ClientRig::Files files = {}, const std::string& settings = "") {
        files.emplace("Varno.ini", kSettings + settings);
        rig = std::make_unique<ClientRig>(files);
        rig->client->logs().addSink(backlog);
        service = std::make_unique<ControlService>(
            *rig->client, backlog, Hello{0, "VarnoBot", "9", "2.01", "/f"},
            ControlService::Ports{[] { return std::string("In Lobby"); }, [] { return 2u; },
                                  [this] { ++reloads; }});
    }
    ~ServiceRig() {
        service.reset();
        rig->client->logs().removeSink(backlog);
    }

    int Connect() {
        std::string refusal;
        const auto id = service->Open(refusal);
        EXPECT_TRUE(id) << refusal;
        Take(*id);  // the greeting
        return id.value_or(0);
    }
    // The lines waiting for the client, taken as if written.
    std::vector<std::string> Take(int id) {
        const std::string waiting(service->waiting(id));
        service->Wrote(id, waiting.size());
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = waiting.find('\n', at)) != std::string::npos;
             at = end + 1) {
            lines.push_back(waiting.substr(at, end - at));
        }
        return lines;
    }
    // Sends one request line; the one line it drew (fails when not exactly one).
    std::string Ask(int id, const std::string& line) {
        service->Read(id, line + "\n");
        const auto lines = Take(id);
        EXPECT_EQ(lines.size(), 1u) << line;
        return lines.empty() ? "" : lines.back();
    }

    std::unique_ptr<ClientRig> rig;
    Backlog backlog{5};
    std::unique_ptr<ControlService> service;
    int reloads = 0;
};

// The answer's result member key, as JSON text; or "error CODE: message".
std::string Result(const std::string& line, const std::string& key) {
    Message m;
    if (!ReadMessage(line, m) || m.kind != Message::Kind::Answer) {
        return "not an answer: " + line;
    }
    if (!m.ok) {
        return "error " + m.code + ": " + m.message;
    }
    const json::Value* value = Find(*m.body, key);
    if (!value) {
        return "no " + key;
    }
    json::Buffer buffer;
    json::Writer out(buffer);
    value->Accept(out);
    return {buffer.GetString(), buffer.GetSize()};
}

TEST(ControlSession, RequestLinesAndWhatWaitsAreHeldToTheirBoundsExactly) {
    const auto lines = [](ControlSession& s, const std::string& bytes, bool& whole) {
        std::vector<std::string> got;
        whole = s.Read(bytes, [&](std::string_view l) { got.emplace_back(l); });
        return got;
    };
    bool whole = false;
    ControlSession a;
    EXPECT_EQ(lines(a, "one\r\ntw", whole), std::vector<std::string>{"one"});
    EXPECT_EQ(lines(a, "o\nthree", whole), std::vector<std::string>{"two"});
    std::vector<std::string> last;
    a.ReadEnd([&](std::string_view l) { last.emplace_back(l); });
    EXPECT_EQ(last, std::vector<std::string>{"three"}) << "a last line without LF is a line";

    ControlSession atBound;
    EXPECT_EQ(lines(atBound, std::string(kMaxRequestBytes, 'x') + "\n", whole).size(), 1u);
    EXPECT_TRUE(whole);
    EXPECT_EQ(lines(atBound, std::string(kMaxRequestBytes, 'x') + "\r", whole).size(), 0u);
    EXPECT_TRUE(whole) << "a CR after the bound's bytes may end the line";
    EXPECT_EQ(lines(atBound, "\n", whole),
              std::vector<std::string>{std::string(kMaxRequestBytes, 'x')});
    EXPECT_FALSE(lines(atBound, std::string(kMaxRequestBytes, 'x') + "\rx", whole).size());
    EXPECT_FALSE(whole) << "a CR that ends no line is a byte of it";
    ControlSession past;
    EXPECT_TRUE(lines(past, std::string(kMaxRequestBytes, 'x'), whole).empty());
    EXPECT_TRUE(whole) << "a line at the bound may still end";
    EXPECT_TRUE(lines(past, "x", whole).empty());
    EXPECT_FALSE(whole) << "one byte past it, before any LF";
    EXPECT_FALSE(past.Read("\n{}\n", [](std::string_view) { ADD_FAILURE(); }));

    ControlSession out;
    EXPECT_TRUE(out.Queue(std::string(kMaxWaitingBytes - 1, 'a')));
    EXPECT_FALSE(out.QueueLine("b")) << "the line and its LF, or neither";
    EXPECT_EQ(out.waiting().size(), kMaxWaitingBytes - 1);
    EXPECT_TRUE(out.Queue("b"));
    EXPECT_FALSE(out.Queue("c"));
    out.Wrote(10);
    EXPECT_TRUE(out.QueueLine("123456789"));
    EXPECT_EQ(out.waiting().size(), kMaxWaitingBytes);
    EXPECT_TRUE(out.waiting().ends_with("b123456789\n"));
}

TEST(ControlService, AnswersEachRequestThroughTheClient) {
    // Unpaced: every line goes at once, and a ban sent is taken as done.
    ServiceRig s({{"shitlist.txt", "spam*\r\n"}, {"database.txt", "Boss\r\n"}}, "SendQuota=0\r\n");
    s.rig->enter("alice",
                 "1001 USER alice 0010 [CHAT]\r\n1001 USER bob 0002 [W3XP]\r\n"
                 "1001 USER spamkid 0010 [CHAT]\r\n");
    s.rig->sent();
    const int c = s.Connect();
    EXPECT_EQ(Result(s.Ask(c, R"({"id":1,"command":"status"})"), "status"),
              R"({"status":"In Lobby","connection":"connected","letIn":true,"server":"gw",)"
              R"("channel":"Lobby","name":"alice","users":3,"bansToday":2,"deedsOpen":0,)"
              R"("queued":0,"scriptsRunning":0,"scriptsOff":0})");
    EXPECT_EQ(Result(s.Ask(c, R"({"id":2,"command":"users"})"), "users"),
              R"([{"name":"alice","flags":"0010","product":"CHAT"},)"
              R"({"name":"bob","flags":"0002","product":"W3XP"},)"
              R"({"name":"spamkid","flags":"0010","product":"CHAT"}])");
    s.rig->sent();

    struct Step {
        std::string request;
        std::string key;
        std::string result;
        std::vector<std::string> sent;  // to the server
    } const steps[] = {
        {R"({"id":3,"command":"say","text":"hello all"})", "queued", "true", {"hello all", ""}},
        {R"({"id":4,"command":"say","text":"/ban bob"})",
         "",
         "error bad-argument: say: the text starts with '/', which the server reads as a "
         "command; use emote, whisper, ban, kick or unban",
         {}},
        {R"({"id":5,"command":"emote","text":"waves"})", "queued", "true", {"/me waves", ""}},
        {R"({"id":6,"command":"whisper","name":"bob","text":"psst"})",
         "queued",
         "true",
         {"/w bob psst", ""}},
        {R"({"id":7,"command":"ban","name":"Boss"})",
         "",
         "error refused: not sent: ban Boss: a trusted user",
         {}},
        {R"({"id":8,"command":"kick","name":"alice"})",
         "",
         "error refused: not sent: kick alice: the program itself",
         {}},
        {R"({"id":9,"command":"list","list":"shitlist"})", "patterns", R"(["spam*"])", {}},
        {R"({"id":10,"command":"list","list":"database"})", "patterns", R"(["Boss"])", {}},
        {R"({"id":11,"command":"add","list":"database","pattern":"x"})",
         "",
         "error read-only: database.txt is never written by the program: edit it, and the bot "
         "reads it again within two seconds",
         {}},
        {R"({"id":12,"command":"add","list":"badwords","pattern":"*"})",
         "",
         "error unchanged: Refused: * would match every line",
         {}},
        {R"({"id":13,"command":"set","values":{"FloodLines":"6/5","SendQuota":"x"}})",
         "",
         "error bad-argument: set: SendQuota must be a whole number from 0 to 1000000",
         {}},
        {R"({"id":14,"command":"set","values":{"Password":"x"}})",
         "",
         "error bad-argument: set: no rule key 'Password' (FloodLines, RepeatLines, JoinFlood, "
         "BanMinutes, BanOnEntry, SendQuota, SendWindow, LogFolder)",
         {}},
        {R"({"id":15,"command":"set","values":{"FloodLines":"6/5","BanOnEntry":"1"}})",
         "saved",
         R"("Saved: FloodLines=6/5")",
         {}},
        {R"({"id":16,"command":"set","values":{"FloodLines":" 6 / 5 "}})",
         "saved",
         R"("Nothing changed")",
         {}},
        {R"({"id":17,"command":"lift","name":"nobody"})",
         "",
         "error no-ban: nobody has no pending ban",
         {}},
        {R"({"id":18,"command":"reload"})", "", "no ", {}},
        {R"({"id":19,"command":"reconnect"})", "", "no ", {}},
    };
    for (const Step& step : steps) {
        const std::string answer = s.Ask(c, step.request);
        EXPECT_EQ(step.key.empty() && step.result == "no " ? Result(answer, "x").substr(0, 3)
                  : step.key.empty()                       ? Result(answer, "")
                                                           : Result(answer, step.key),
                  step.result)
            << step.request;
        EXPECT_EQ(s.rig->sent(), step.sent) << step.request;
    }
    EXPECT_EQ(s.reloads, 1);
    EXPECT_EQ(s.rig->folder.read("Varno.ini"),
              std::string(kSettings) + "SendQuota=0\r\nFloodLines=6/5\r\n");
    EXPECT_EQ(s.rig->logged(colour::kLightGrey).back(),
              "Rules saved through varnoctl: FloodLines=6/5");
    const std::string rules = Result(s.Ask(c, R"({"id":20,"command":"rules"})"), "rules");
    EXPECT_TRUE(rules.starts_with(R"([{"key":"FloodLines","value":"6/5","explanation":"More than )"
                                  R"(this many lines from one user in these seconds: kicked for )"
                                  R"(flooding.","note":""},)"))
        << rules;
}

TEST(ControlService, ADeedIsAnsweredWhenTheServerSettlesItAndAListEditBansAtOnce) {
    ServiceRig s(ClientRig::Files{{"shitlist.txt", ""}});
    s.rig->enter("alice",
                 "1001 USER bob 0010 [CHAT]\r\n1001 USER eve 0010 [CHAT]\r\n"
                 "1001 USER spamkid 0010 [CHAT]\r\n");
    const int c = s.Connect();
    const int watcher = s.Connect();
    EXPECT_EQ(
        Result(s.Ask(watcher, R"({"id":1,"command":"subscribe","events":["deeds"]})"), "lines"),
        "[]");

    s.service->Read(c, R"({"id":1,"command":"ban","name":"bob","reason":"spam"})"
                       "\n"
                       R"({"id":2,"command":"kick","name":"eve"})"
                       "\n");
    EXPECT_TRUE(s.Take(c).empty()) << "no answer before the server's";
    EXPECT_EQ(s.rig->sent(), (std::vector<std::string>{"/ban bob spam", "/kick eve"}));
    s.rig->client->sck_dataarrival(
        "1018 INFO \"bob has been banned by alice (spam).\"\r\n1019 ERROR \"You cannot kick "
        "operators.\"\r\n");
    const auto answers = s.Take(c);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(Result(answers[0], "deed"),
              R"({"action":"ban","name":"bob","done":true,"text":"","script":""})");
    EXPECT_EQ(Result(answers[1], "deed"),
              R"({"action":"kick","name":"eve","done":false,"text":"You cannot kick operators.",)"
              R"("script":""})");
    EXPECT_EQ(s.Take(watcher).size(), 2u) << "both outcomes as events";
    EXPECT_NE(std::find(s.rig->logged(colour::kOrange).begin(),
                        s.rig->logged(colour::kOrange).end(), "Banned bob: spam (varnoctl)"),
              s.rig->logged(colour::kOrange).end());

    // A client gone before its deed's end loses nothing: the deed goes on.
    s.service->Read(c, R"({"id":3,"command":"ban","name":"eve"})"
                       "\n");
    s.service->Closed(c);
    EXPECT_EQ(s.rig->sent(), std::vector<std::string>{"/ban eve"});
    s.rig->client->sck_dataarrival("1018 INFO \"eve has been banned by alice.\"\r\n");
    EXPECT_EQ(s.rig->client->bansConfirmed(), 2u);

    // A pattern added through the socket: the file, the answer, and the user present banned.
    const int d = s.Connect();
    EXPECT_EQ(Result(s.Ask(d, R"({"id":4,"command":"add","list":"shitlist","pattern":" spam* "})"),
                     "answer"),
              R"("Added spam* to the ban list")");
    EXPECT_EQ(s.rig->folder.read("shitlist.txt"), "spam*\r\n");
    s.rig->clock.ms += 10000;  // the quota's window is over: the ban's line goes
    s.rig->client->send_timer();
    EXPECT_EQ(s.rig->sent(), std::vector<std::string>{"/ban spamkid boo"});
    EXPECT_EQ(
        Result(s.Ask(d, R"({"id":5,"command":"del","list":"shitlist","pattern":"gone"})"), ""),
        "error unchanged: Not on the ban list: gone");
}

// A deed whose line the send path refuses is refused in the answer, not left to a wait
// that no end would meet: a reason too long for a paced line, and the cap of open deeds.
TEST(ControlService, ADeedTheSendPathRefusesIsAnsweredAtOnce) {
    ServiceRig s({}, "SendQuota=100\r\n");
    s.rig->enter("alice", "1001 USER bob 0010 [CHAT]\r\n");
    const int c = s.Connect();
    const auto kick = [](int id, const std::string& name, std::size_t bytes) {
        const std::string reason(bytes - ("/kick " + name + " ").size(), 'x');
        return R"({"id":)" + std::to_string(id) + R"(,"command":"kick","name":")" + name +
               R"(","reason":")" + reason + R"("})";
    };
    s.service->Read(c, kick(1, "bob", 200) + "\n");
    EXPECT_TRUE(s.Take(c).empty()) << "a line of 200 bytes goes";
    EXPECT_EQ(Result(s.Ask(c, kick(2, "eve", 201)), ""),
              "error refused: not sent: kick eve: the line is too long to send (201 bytes)");
    for (int i = 3; i <= 102; ++i) {
        const std::string n = std::to_string(i);
        s.service->Read(c, R"({"id":)" + n + R"(,"command":"ban","name":"u)" + n + "\"}\n");
    }
    const auto answers = s.Take(c);
    ASSERT_EQ(answers.size(), 1u) << "the hundred and first deed open";
    EXPECT_EQ(Result(answers[0], ""),
              "error refused: not sent: ban u102: too many open deeds (100)");
    EXPECT_EQ(s.rig->logged(colour::kRed).back(),
              "varnoctl: 100 deeds open; more are refused until some end");
}

TEST(ControlService, SubscribersGetTheLogUsersAndStatusAndTheBacklogHoldsItsLast) {
    ServiceRig s;
    const int c = s.Connect();
    for (int i = 0; i < 7; ++i) {
        s.rig->client->logs().Line(LogTarget::Main, colour::kRed, "line " + std::to_string(i));
    }
    const std::string lines = Result(s.Ask(c, R"({"id":1,"command":"log","n":2})"), "lines");
    EXPECT_EQ(
        lines,
        R"([{"event":"log","whisper":false,"runs":[{"colour":"#ffffff","text":"[14:03:07] "},)"
        R"({"colour":"#ff0000","text":"line 5\r\n"}]},{"event":"log","whisper":false,"runs":)"
        R"([{"colour":"#ffffff","text":"[14:03:07] "},{"colour":"#ff0000","text":"line 6\r\n"}]}])");
    EXPECT_EQ(Result(s.Ask(c, R"({"id":5,"command":"log","n":2,"form":"text"})"), "lines"),
              R"(["[14:03:07] line 5","[14:03:07] line 6"])");
    EXPECT_EQ(Result(s.Ask(c, R"({"id":2,"command":"log","n":9})"), "lines").size(),
              Result(s.Ask(c, R"({"id":3,"command":"log","n":5})"), "lines").size())
        << "the backlog holds its capacity's lines";

    EXPECT_EQ(Result(s.Ask(c, R"({"id":4,"command":"subscribe","backlog":1})"), "lines").size(),
              lines.size() / 2 + 1);
    s.rig->enter("alice", "1001 USER bob 0010 [CHAT]\r\n");
    s.rig->client->sck_dataarrival("1009 USER bob 0002 [CHAT]\r\n1003 LEAVE bob 0002\r\n");
    s.service->Tick();
    std::vector<std::string> events;
    for (const std::string& line : s.Take(c)) {
        Message m;
        ASSERT_TRUE(ReadMessage(line, m)) << line;
        const json::Value* change = Find(*m.body, "change");
        events.push_back(m.event + (change ? " " + std::string(change->GetString()) : ""));
    }
    EXPECT_EQ(std::count(events.begin(), events.end(), "user cleared"), 1);
    for (const char* e : {"user present", "user flags", "user left", "status"}) {
        EXPECT_EQ(std::count(events.begin(), events.end(), e), 1) << e;
    }
    EXPECT_GE(std::count(events.begin(), events.end(), "log"), 3);
    s.service->Tick();
    EXPECT_TRUE(s.Take(c).empty()) << "a status is told again only when it changed";
}

TEST(ControlService, BadInputsGetAnswersAndTheLimitsDropOnlyTheClientAtThem) {
    ServiceRig s;
    std::vector<int> clients;
    for (std::size_t i = 0; i < kMaxClients; ++i) {
        clients.push_back(s.Connect());
    }
    std::string refusal;
    EXPECT_FALSE(s.service->Open(refusal));
    EXPECT_EQ(Result(refusal, ""),
              "error busy: 8 clients are connected already; try again once one has gone");
    // One whose input ended only waits for its answers, and leaves its place to a new one
    // once it has taken what waited for it: one that never reads holds its place.
    s.service->Read(clients[7], R"({"id":1,"command":"status"})");
    s.service->ReadEnd(clients[7]);
    EXPECT_FALSE(s.service->Open(refusal)) << "its answer waits unread";
    EXPECT_EQ(s.Take(clients[7]).size(), 1u);
    const int late = s.Connect();
    EXPECT_FALSE(s.service->Open(refusal)) << "and the new one counts";
    EXPECT_EQ(s.service->closing(), std::vector<int>{clients[7]});
    s.service->Closed(clients[7]);
    clients[7] = late;
    const int c = clients[0];
    EXPECT_EQ(Result(s.Ask(c, "{\"id\":1,"), ""),
              "error not-json: not a JSON object in UTF-8 (at byte 8)");
    EXPECT_EQ(Result(s.Ask(c, R"({"id":2,"command":"nope"})"), ""),
              "error unknown-command: no command 'nope'");
    s.service->Read(c, "\r\n  \n");
    EXPECT_TRUE(s.Take(c).empty()) << "an empty line asks nothing";
    EXPECT_TRUE(s.service->closing().empty());

    // One byte past the bound: one error object, and that client closes; the others answer.
    s.service->Read(clients[1], std::string(kMaxRequestBytes + 1, ' '));
    EXPECT_EQ(
        Result(s.Take(clients[1]).at(0), ""),
        "error line-too-long: a request line holds at most 65536 bytes; closing the connection");
    EXPECT_EQ(s.service->closing(), std::vector<int>{clients[1]});
    s.service->Closed(clients[1]);

    // A follower that does not read is dropped once 1 MiB waits, with one red line.
    const int sleeper = clients[2];
    s.Ask(sleeper, R"({"id":1,"command":"subscribe","events":["log"]})");
    const std::string text(1000, 'x');
    for (int i = 0; i < 1100 && s.service->closing().empty(); ++i) {
        s.rig->client->logs().Line(LogTarget::Main, colour::kWhite, text);
    }
    EXPECT_EQ(s.service->closing(), std::vector<int>{sleeper});
    EXPECT_LE(s.service->waiting(sleeper).size(), kMaxWaitingBytes);
    s.service->Tick();
    EXPECT_EQ(s.rig->logged(colour::kRed),
              std::vector<std::string>{"Control socket: a client was dropped: it did not read what "
                                       "waited for it (1024 KiB)"});
    s.service->Closed(sleeper);
    EXPECT_EQ(Result(s.Ask(c, R"({"id":3,"command":"users"})"), "users"), "[]");

    // Input that ends: the client closes once its answers are out.
    s.service->Read(c, R"({"id":4,"command":"status"})");
    s.service->ReadEnd(c);
    EXPECT_TRUE(s.service->closing().empty()) << "its answer waits";
    EXPECT_EQ(s.Take(c).size(), 1u);
    EXPECT_EQ(s.service->closing(), std::vector<int>{c});
}

TEST(ControlService, ALogAnswerHoldsTheNewestLinesThatFitInWhatMayWait) {
    ServiceRig s;
    s.backlog.setCapacity(2000);
    const int c = s.Connect();
    for (int i = 0; i < 1200; ++i) {
        s.rig->client->logs().Line(LogTarget::Main, colour::kWhite, std::string(1000, 'x'));
    }
    // The longest line of each form: the next one left out is at most as long.
    const auto longest = [&s](bool text) {
        std::size_t most = 0;
        for (const std::string_view line : s.backlog.Last(2000, text)) {
            most = std::max(most, line.size());
        }
        return most;
    };
    struct Case {
        std::string request;
        std::size_t lines;  // 0: as many as fit
        std::size_t room;   // for the answer
        bool text = false;  // the lines in the text form
    } const cases[] = {
        {R"({"id":1,"command":"log","n":3})", 3, kMaxWaitingBytes},
        {R"({"id":2,"command":"log","n":2000})", 0, kMaxWaitingBytes},
        {R"({"id":3,"command":"subscribe","events":["log"],"backlog":2000})", 0,
         kMaxWaitingBytes / 2},
        {R"({"id":4,"command":"log","n":2000,"form":"text"})", 0, kMaxWaitingBytes, true},
    };
    for (const Case& k : cases) {
        s.service->Read(c, k.request + "\n");
        EXPECT_TRUE(s.service->closing().empty()) << "not dropped for its own answer";
        const std::string answer(s.service->waiting(c));
        s.Take(c);
        Message m;
        ASSERT_TRUE(ReadMessage(std::string_view(answer).substr(0, answer.size() - 1), m));
        const json::Value* lines = Find(*m.body, "lines");
        ASSERT_TRUE(lines && lines->IsArray()) << k.request;
        const json::Value* cut = Find(*m.body, "cut");
        if (k.lines > 0) {
            EXPECT_EQ(lines->Size(), k.lines);
            EXPECT_FALSE(cut);
            continue;
        }
        EXPECT_LT(lines->Size(), 1200u);
        EXPECT_TRUE(cut && cut->IsTrue());
        EXPECT_LE(answer.size(), k.room) << k.request;
        EXPECT_GT(answer.size() + 1 + longest(k.text), k.room) << "one line more would not fit";
    }
}

// Each line's text is what varnoctl prints of its runs, whatever bytes the runs hold.
TEST(Backlog, ALinesTextIsItsRunsAsPlainText) {
    struct Case {
        Runs runs;
        bool whisper;
        std::string text;  // as it is printed
    } const cases[] = {
        {{{colour::kWhite, "[14:03:07] "}, {colour::kYellow, "<bob> hi\r\n"}},
         false,
         "[14:03:07] <bob> hi\n"},
        {{{colour::kWhite, "[14:03:07] "}, {colour::kYellow, "bob\x1b[2J\"\\"}},
         true,
         "[14:03:07] (whisper) bob\xe2\x90\x9b[2J\"\\\n"},
        {{{colour::kWhite, "[14:03:07] "}, {colour::kRed, "caf\xe9 \xc3\xa9\r\r\n"}},
         false,
         "[14:03:07] caf\xc3\xa9 \xc3\x83\xc2\xa9\xe2\x90\x8d\n"},
        {{{colour::kWhite, std::string("\0\r\n", 3)}}, false, "\xe2\x90\x80\n"},
        {{}, true, "\n"},
    };
    Backlog backlog(10);
    for (const Case& c : cases) {
        backlog.onLine(c.runs, c.whisper);
        json::Document text;
        text.Parse(backlog.Last(1, true).at(0).data(), backlog.Last(1, true).at(0).size());
        const auto bytes = ReadBytes(text);
        ASSERT_TRUE(bytes) << c.text;
        EXPECT_EQ(*bytes + "\n", c.text);
        Message event;
        ASSERT_TRUE(ReadMessage(backlog.Last(1).at(0), event));
        EXPECT_EQ(PlainLine(ReadLogLine(*event.body)->runs, c.whisper), c.text);
    }
}

TEST(Backlog, KeepsTheLastLinesAndSizesDownAtOnce) {
    Backlog backlog(3);
    for (int i = 0; i < 5; ++i) {
        backlog.onLine({{colour::kWhite, std::to_string(i)}}, false);
    }
    const auto text = [&backlog](std::size_t n) {
        std::string texts;
        for (const std::string_view event : backlog.Last(n)) {
            Message m;
            EXPECT_TRUE(ReadMessage(event, m));
            texts += ReadLogLine(*m.body)->runs.at(0).text;
        }
        return texts;
    };
    EXPECT_EQ(text(10), "234");
    EXPECT_EQ(text(3), "234");
    EXPECT_EQ(text(1), "4");
    EXPECT_EQ(backlog.Last(2, true), (std::vector<std::string_view>{"\"3\"", "\"4\""}));
    backlog.setCapacity(1);
    EXPECT_EQ(backlog.size(), 1u);
    backlog.setCapacity(0);
    backlog.onLine({{colour::kWhite, "5"}}, false);
    EXPECT_EQ(backlog.size(), 0u);
}

}  // namespace
}  // namespace varno
