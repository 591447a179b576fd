#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "script/lua_script.h"
#include "script/script_host.h"
#include "script/script_store.h"
#include "support/fake_script_ports.h"
#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;
using Value = ScriptStore::Value;

std::string AllBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

TEST(ScriptStoreTest, KeepsAnyBytesAndEveryTypeAcrossAFile) {
    const ScriptStore::Values values = {
        {AllBytes().substr(0, 128), Value(AllBytes())},
        {AllBytes().substr(128), Value(AllBytes().substr(100))},
        {"\\t\\n\t\r\n\\", Value(std::string("\r\n\\\\n\t", 6))},
        {std::string("\0", 1), Value(std::string())},
        {"min", Value(std::numeric_limits<std::int64_t>::min())},
        {"max", Value(std::numeric_limits<std::int64_t>::max())},
        {"tenth", Value(0.1)},
        {"huge", Value(-1.7976931348623157e308)},
        {"infinite", Value(std::numeric_limits<double>::infinity())},
        {"whole float", Value(3.0)},
        {"yes", Value(true)},
        {"no", Value(false)},
    };
    TempFolder folder;
    const std::string path = folder.file("t.store");
    {
        ScriptStore store(path);
        for (const auto& [key, value] : values) {
            ASSERT_TRUE(store.Set(key, value));
        }
        store.Save();
    }
    ScriptStore again(path);
    EXPECT_EQ(again.values(), values);
    EXPECT_FALSE(again.changed());
    std::size_t counted = 0;
    EXPECT_EQ(ScriptStore::Parse(ScriptStore::Format(values), counted), values);
    EXPECT_EQ(counted, again.bytes());
}

TEST(ScriptStoreTest, HoldsExactly64KiBOfKeysAndValues) {
    ScriptStore store("unused");
    const std::size_t room = ScriptStore::kMaxBytes;
    EXPECT_FALSE(store.Set("k", Value(std::string(room, 'x'))));
    EXPECT_TRUE(store.values().empty());
    EXPECT_TRUE(store.Set("k", Value(std::string(room - 1, 'x'))));
    EXPECT_EQ(store.bytes(), room);
    EXPECT_FALSE(store.Set("n", Value(std::int64_t{1})));
    EXPECT_TRUE(store.Set("k", Value(std::string(room - 2 - ScriptStore::kNumberBytes, 'y'))))
        << "a value replaced counts only once";
    EXPECT_TRUE(store.Set("n", Value(std::int64_t{1})));
    EXPECT_EQ(store.bytes(), room);
    store.Erase("k");
    EXPECT_EQ(store.bytes(), 1 + ScriptStore::kNumberBytes);
}

TEST(ScriptStoreTest, ReadsWhatADamagedFileStillHolds) {
    struct Case {
        std::string bytes;
        ScriptStore::Values values;
    };
    const std::string tooLong(ScriptStore::kMaxKeyBytes + 1, 'k');
    const Case cases[] = {
        {"a\tsx\nb\ti7\n", {{"a", Value(std::string("x"))}, {"b", Value(std::int64_t{7})}}},
        {"a\tsx\r\nb\tb1", {{"a", Value(std::string("x"))}, {"b", Value(true)}}},
        {"no tab\na\tsx\n", {{"a", Value(std::string("x"))}}},
        {"a\tq1\nb\ti1x\nc\tf\nd\tb2\ne\ti\n", {}},
        {"a\\x\tsx\nb\ts\\\nc\ts\\q\nd\tsa\tb\ne\tsa\rb\n", {}},
        {"\tsx\n" + tooLong + "\tsx\n", {}},
        {"a\ti99999999999999999999\n", {}},
        {"a\tsold\na\tsnew\n", {{"a", Value(std::string("new"))}}},
        {"k\ts" + std::string(ScriptStore::kMaxBytes, 'x') + "\nj\tsy\n",
         {{"j", Value(std::string("y"))}}},
        {std::string("\0\ti0\n\xff\t\xff", 8), {{std::string("\0", 1), Value(std::int64_t{0})}}},
    };
    for (const Case& c : cases) {
        std::size_t counted = 0;
        EXPECT_EQ(ScriptStore::Parse(c.bytes, counted), c.values) << c.bytes;
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& c : bytes) {
            c = "\t\n\r\\sifb0a"[random() % 10];
        }
        std::size_t counted = 0;
        for (const auto& [key, value] : ScriptStore::Parse(bytes, counted)) {
            EXPECT_FALSE(key.empty());
            EXPECT_LE(key.size(), ScriptStore::kMaxKeyBytes);
        }
        EXPECT_LE(counted, ScriptStore::kMaxBytes);
    }
}

TEST(ScriptStoreTest, WritesOnlyAChangeAndReplacesTheFileWhole) {
    TempFolder folder;
    const std::string path = folder.file("t.store");
    ScriptStore store(path);
    store.Save();
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing changed, nothing written";
    ASSERT_TRUE(store.Set("a", Value(std::string("1"))));
    EXPECT_TRUE(store.changed());
    store.Save();
    EXPECT_FALSE(store.changed());
    EXPECT_EQ(folder.read("t.store"), "a\ts1\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    // A link made to the old file keeps the old bytes: the new ones came in a new file.
    const std::string link = folder.file("old.store");
    std::filesystem::create_hard_link(path, link);
    ASSERT_TRUE(store.Set("a", Value(std::string("1"))));
    EXPECT_FALSE(store.changed()) << "the same value again is no change";
    ASSERT_TRUE(store.Set("a", Value(std::int64_t{1})));
    store.Save();
    EXPECT_EQ(folder.read("t.store"), "a\ti1\n");
    EXPECT_EQ(folder.read("old.store"), "a\ts1\n");
    store.Erase("a");
    store.Save();
    EXPECT_EQ(folder.read("t.store"), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2)
        << "no temporary file is left";
}

using Lines = std::vector<std::string>;

class ScriptHostTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& code) {
        folder_.write(name + ".lua", code);
    }
    void Load(bool force = false) { host_.Load(folder_.path().string(), force); }
    bool Running(const std::string& name) const {
        for (const ScriptHost::Status& status : host_.status()) {
            if (status.name == name) {
                return status.running;
            }
        }
        return false;
    }
    // Runs code as probe.lua, started with an empty store, and tells what it logged.
    Lines Probe(const std::string& code) {
        host_.Load("", false);
        std::filesystem::remove(folder_.file("probe.store"));
        fake_.logs.clear();
        fake_.sent.clear();
        fake_.deeds.clear();
        fake_.errors.clear();
        Write("probe", kShow + code);
        Load();
        EXPECT_EQ(fake_.errors, Lines{}) << code;
        return fake_.logs;
    }
    // show(...): logs its arguments, each as tostring gives it, between spaces.
    static inline const std::string kShow =
        "local function show(...) local t = table.pack(...) "
        "for i = 1, t.n do t[i] = tostring(t[i]) end varno.log(table.concat(t, ' ')) end\n";

    TempFolder folder_;
    test::FakeScriptPorts fake_;
    const ScriptHost::Ports ports_ = fake_.ports();
    ScriptHost host_{ports_};
};

TEST_F(ScriptHostTest, SandboxKeepsOutWhatReachesBeyondTheScript) {
    struct Case {
        std::string expression;
        std::string shown;
    };
    const Case cases[] = {
        {"io, os, package, debug", "nil nil nil nil"},
        {"load, loadfile, dofile, require", "nil nil nil nil"},
        {"string.dump, ('').dump", "nil nil"},
        {"pcall(collectgarbage, 'stop')",
         "false bad argument #1 to 'collectgarbage' (only \"collect\" and \"count\" are allowed)"},
        {"pcall(collectgarbage, 'generational')",
         "false " + std::string("bad argument #1 to 'collectgarbage' (only \"collect\" and "
                                "\"count\" are allowed)")},
        {"math.type(collectgarbage('count')), collectgarbage()", "float 0"},
        {"pcall(setmetatable, {}, {__gc = print})",
         "false __gc metamethods are not available to scripts"},
        {"pcall(rawset, varno, 'say', print)", "false the varno table can't be changed"},
        {"pcall(function() varno.say = print end)",
         "false probe.lua:2: the varno table can't be changed"},
        {"getmetatable(varno), pcall(setmetatable, varno, {})",
         "false false cannot change a protected metatable"},
        {"select(2, pcall(rawset, varno, 'say', print)), varno.say == print, "
         "rawget(varno, 'say')",
         "the varno table can't be changed false nil"},
        {"rawset({}, 'k', 1).k, type(string.rep), type(table.sort), type(math.max)",
         "1 function function function"},
        {"type(utf8.char), type(coroutine.wrap), type(setmetatable({}, {}))",
         "function function table"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Probe("show(" + c.expression + ")"), Lines{"probe: " + c.shown}) << c.expression;
    }
}

TEST_F(ScriptHostTest, PassingALimitEndsOnlyThatScriptWithOneRedLine) {
    const std::string instructions = "instruction limit passed (1000000 instructions)";
    const std::string memory = "memory limit passed (8 MiB)";
    struct Case {
        std::string code;
        std::string line;
    };
    const Case cases[] = {
        {"function on_talk() local s = string.rep('x', 100000000) end", memory},
        {"function on_talk() local s, t = ('x'):rep(1000), {} "
         "while true do t[#t + 1] = s .. #t end end",
         memory},
        {"function on_talk() local t = {} for i = 1, 1e9 do t[i] = i end end", memory},
        {"function on_talk() while true do end end", instructions},
        {"local function f() return f() + 1 end function on_talk() f() end", memory},
        {"local function f() return (string.gsub('ab', '.', f)) end function on_talk() f() end",
         "bomb.lua:1: C stack overflow"},
        {"local function f(a, b) table.sort({3, 2, 1}, f) return a < b end\n"
         "function on_talk() f(1, 2) end",
         "bomb.lua:1: C stack overflow"},
        {"function on_talk() while true do pcall(function() while true do end end) end end",
         instructions},
        {"function on_talk() while true do xpcall(function() while true do end end, "
         "function() while true do end end) end end",
         instructions},
        {"function on_talk() local s, t = ('x'):rep(1000), {} while true do "
         "pcall(function() t[#t + 1] = s .. #t end) end end",
         memory},
        {"function on_talk() while true do "
         "coroutine.resume(coroutine.create(function() while true do end end)) end end",
         instructions},
        {"function on_talk() while true do "
         "pcall(coroutine.wrap(function() while true do end end)) end end",
         instructions},
        {"function on_talk() while true do "
         "coroutine.wrap(function() for i = 1, 900 do end end)() end end",
         instructions},
        {"function on_talk() local co = coroutine.create(function() "
         "local x <close> = setmetatable({}, {__close = function() while true do end end}) "
         "coroutine.yield() end) coroutine.resume(co) coroutine.close(co) end",
         instructions},
        {"function on_talk() while true do local s = ('x'):rep(100000) end end", instructions},
        {"local t = {} for i = 1, 10000 do t[i] = i end\n"
         "function on_talk() while true do table.sort(t) end end",
         "time limit passed (1 s)"},
        {"function on_talk() setmetatable({}, {__gc = function() while true do end end}) end",
         "bomb.lua:1: __gc metamethods are not available to scripts"},
        {"function on_talk() local x x.y = 1 end",
         "bomb.lua:1: attempt to index a nil value (local 'x')"},
        {"function on_talk() error(('x'):rep(1000), 0) end",
         "bomb.lua:1: " + std::string(LuaScript::kMaxMessageBytes - 12, 'x') + "..."},
        {"function on_talk() error({}) end", "(error object is a table value)"},
    };
    Write("other", "n = 0 function on_talk() n = n + 1 varno.log(n) end");
    for (const Case& c : cases) {
        Write("bomb", c.code);
        Load(true);
        fake_.logs.clear();
        fake_.errors.clear();
        host_.Talk("bob", "hi");
        host_.Talk("bob", "hi");
        EXPECT_EQ(fake_.errors, Lines{"Script bomb: " + c.line}) << c.code;
        EXPECT_FALSE(Running("bomb")) << c.code;
        EXPECT_EQ(fake_.logs, (Lines{"other: 1", "other: 2"})) << c.code;
    }
}

// The largest count of a loop that runs, found by bisection: a loop of one more is stopped.
TEST_F(ScriptHostTest, InstructionAndMemoryLimitsHoldAtTheirBound) {
    struct Case {
        std::string code;          // runs n (the time) of something
        std::int64_t least, most;  // where the largest n that runs must lie
        std::string line;
    };
    const std::int64_t instructions = LuaScript::kInstructionLimit;
    const auto half = static_cast<std::int64_t>(LuaScript::kMemoryLimit / 2);
    const Case cases[] = {
        {"function on_tick(n) for i = 1, n do end end", instructions - 10, instructions - 1,
         "instruction limit passed (1000000 instructions)"},
        // string.rep holds its buffer and the string made of it at once.
        {"function on_tick(n) local s = ('x'):rep(n) end", half - 32 * 1024, half - 1,
         "memory limit passed (8 MiB)"},
    };
    for (const Case& c : cases) {
        Write("count", c.code);
        const auto runs = [&](std::int64_t n) {
            Load(true);
            fake_.errors.clear();
            fake_.now = n;
            host_.Tick();
            return fake_.errors.empty();
        };
        std::int64_t low = 0;
        std::int64_t high = 2 * c.most;
        ASSERT_TRUE(runs(low));
        ASSERT_FALSE(runs(high));
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            (runs(middle) ? low : high) = middle;
        }
        EXPECT_GE(low, c.least) << c.code;
        EXPECT_LE(low, c.most) << c.code;
        EXPECT_TRUE(runs(low));
        EXPECT_FALSE(runs(low + 1));
        EXPECT_EQ(fake_.errors, Lines{"Script count: " + c.line});
    }
}

// A text that the memory a script has left cannot hold (5 MiB kept, 4 MB given) ends the
// script as its own allocation would, and does not end the program; one that fits reaches it.
TEST_F(ScriptHostTest, AnEventTooBigForTheMemoryLeftEndsTheScript) {
    Write("full",
          "hold = {} for i = 1, 80 do hold[i] = ('x'):rep(65436) .. i end "
          "function on_talk(_, text) varno.log(#text) end");
    Load();
    host_.Talk("bob", std::string(1000, 'y'));
    host_.Talk("bob", std::string(4000000, 'y'));
    EXPECT_EQ(fake_.logs, Lines{"full: 1000"});
    EXPECT_EQ(fake_.errors, Lines{"Script full: memory limit passed (8 MiB)"});
}

TEST_F(ScriptHostTest, AnEmptyScriptTakesLittleMemory) {
    LuaScript script("empty", "", folder_.file("empty.store"), ports_);
    EXPECT_TRUE(script.running());
    EXPECT_LT(script.memory(), 32U * 1024);
}

TEST_F(ScriptHostTest, EveryLineSaidInOneEventReachesThePort) {
    Write("talker", "function on_talk() for i = 1, 1000 do varno.say('line ' .. i) end end");
    Load();
    host_.Talk("bob", "hi");
    ASSERT_EQ(fake_.sent.size(), 1000U);
    EXPECT_EQ(fake_.sent.front(), "say line 1");
    EXPECT_EQ(fake_.sent.back(), "say line 1000");
    EXPECT_TRUE(fake_.errors.empty());
}

TEST_F(ScriptHostTest, ApiAnswersFromThePortsAndTheStore) {
    struct Case {
        std::string code;
        Lines logs;
        Lines sent = {};
        Lines deeds = {};
    };
    const std::string key201(201, 'k');
    const Case cases[] = {
        {"show(varno.say('hi'), varno.emote('waves'), varno.whisper('bob', 'psst'))",
         {"probe: true true true"},
         {"say hi", "emote waves", "whisper bob psst"}},
        {"show(varno.ban('bob', 'spam'), varno.kick('ann'), varno.unban('eve', 'no'))",
         {"probe: true true true"},
         {},
         {"probe ban bob spam", "probe kick ann ", "probe unban eve "}},
        {"show(varno.channel(), varno.me(), varno.time(), math.type(varno.time()))",
         {"probe: Clan Varno VarnoBot 1700000000 integer"}},
        {"local u = varno.users() show(#u, u[2].name, u[2].flags, u[2].product)",
         {"probe: 2 Ann 0000 SEXP"}},
        {"show(varno.user('ANN').name, varno.user('nobody'))", {"probe: Ann nil"}},
        {"show(varno.trusted('bob'), varno.trusted('eve'), varno.listed('eve'))",
         {"probe: true false true"}},
        {"show(varno.set('i', 5), varno.get('i'), math.type(varno.get('i')), "
         "varno.set('f', 0.5), varno.get('f'), varno.set('b', false), varno.get('b'))",
         {"probe: true 5 integer true 0.5 true false"}},
        {"show(varno.set('s', 'a\\0b'), #varno.get('s'), varno.set('s', nil), varno.get('s'))",
         {"probe: true 3 true nil"}},
        {"show(varno.set('k', ('x'):rep(65535)), varno.set('j', ''))",
         {"probe: true false the store would pass 64 KiB"}},
        {"varno.set('a:2', 1) varno.set('a:1', 1) varno.set('b', 1) "
         "show(table.concat(varno.keys('a:'), ','), #varno.keys(), #varno.keys('c'))",
         {"probe: a:1,a:2 3 0"}},
        {"show(pcall(varno.set, '', 1))",
         {"probe: false bad argument #1 to 'varno.set' (a key of 1 to 200 bytes expected)"}},
        {"show(select(2, pcall(varno.set, '" + key201 + "', 1)), select(2, pcall(varno.get, 5)))",
         {"probe: bad argument #1 to 'varno.set' (a key of 1 to 200 bytes expected) "
          "bad argument #1 to 'varno.get' (string expected, got number)"}},
        {"show(pcall(varno.set, 'k', {}))",
         {"probe: false bad argument #2 to 'varno.set' (string, number, boolean or nil expected, "
          "got "
          "table)"}},
        {"varno.log('hello') print('a', 1, nil, true)", {"probe: hello", "probe: a\t1\tnil\ttrue"}},
    };
    fake_.users = {{"bob", "0010", "CHAT"}, {"Ann", "0000", "SEXP"}};
    fake_.trusted = {"bob"};
    fake_.listed = {"eve"};
    for (const Case& c : cases) {
        EXPECT_EQ(Probe(c.code), c.logs) << c.code;
        EXPECT_EQ(fake_.sent, c.sent) << c.code;
        EXPECT_EQ(fake_.deeds, c.deeds) << c.code;
    }
    fake_.users.assign(10000, ScriptUser{"[Clan]Somebody#2", "0010", "CHAT"});
    EXPECT_EQ(Probe("show(#varno.users(), #varno.users())"), Lines{"probe: 10000 10000"})
        << "a big channel fits in a call";
    fake_.refusal = "a trusted user";
    fake_.sendAnswer = false;
    EXPECT_EQ(Probe("show(varno.say('x'), varno.ban('bob'))"),
              Lines{"probe: false false a trusted user"});
}

TEST_F(ScriptHostTest, EventsReachTheFunctionsScriptsDefine) {
    Write("events", kShow +
                        "for _, e in ipairs({'channel', 'join', 'leave', 'flags', 'talk', 'emote', "
                        "'whisper', 'tick', 'command', 'deed', 'stop'}) do "
                        "_G['on_' .. e] = function(...) show(e, ...) end end");
    Write("other", kShow + "function on_deed(...) show('deed', ...) end on_talk = 'no function'");
    Load();
    host_.Channel("Clan X");
    host_.Join("bob", "0010", "CHAT");
    host_.Leave("bob");
    host_.Flags("bob", "0002");
    host_.Talk("bob", "hi there");
    host_.Emote("bob", "waves");
    host_.Whisper("bob", "psst");
    host_.Tick();
    host_.Command("bob", "seen ann", true);
    host_.DeedEnded("events", "kick", "bob", false, "refused");
    host_.DeedEnded("other", "ban", "eve", true, "banned");
    host_.Stop();
    EXPECT_EQ(
        fake_.logs,
        (Lines{"events: channel Clan X", "events: join bob 0010 CHAT", "events: leave bob",
               "events: flags bob 0002", "events: talk bob hi there", "events: emote bob waves",
               "events: whisper bob psst", "events: tick 1700000000",
               "events: command bob seen ann true", "events: deed kick bob false refused",
               "other: deed ban eve true banned", "events: stop"}));
    EXPECT_TRUE(fake_.errors.empty());
}

// A script that ends (its file changed or removed, a forced reload, no folder) is told.
TEST_F(ScriptHostTest, ReloadKeepsUnchangedScriptsAndStartsChangedOnes) {
    const std::string counter =
        "n = 0 function on_talk() n = n + 1 varno.log(n) end "
        "function on_stop() varno.set('n', n) varno.log('stop ' .. n) end";
    Write("a", counter);
    Write("b", counter);
    Load();
    host_.Talk("bob", "hi");
    Write("b", counter + "\n");
    Load();
    host_.Talk("bob", "hi");
    EXPECT_EQ(fake_.logs, (Lines{"a: 1", "b: 1", "b: stop 1", "a: 2", "b: 1"}));
    std::filesystem::remove(folder_.file("a.lua"));
    Load();
    EXPECT_EQ(folder_.read("a.store"), "n\ti2\n") << "an ended script's store is written";
    host_.Talk("bob", "hi");
    Load(true);
    host_.Talk("bob", "hi");
    ASSERT_EQ(host_.status().size(), 1U);
    host_.Load("", false);
    EXPECT_EQ(fake_.logs, (Lines{"a: 1", "b: 1", "b: stop 1", "a: 2", "b: 1", "a: stop 2", "b: 2",
                                 "b: stop 2", "b: 1", "b: stop 1"}));
    EXPECT_TRUE(host_.status().empty());
    EXPECT_TRUE(host_.empty());
}

TEST_F(ScriptHostTest, StoreIsWrittenOnTheTickWhenChangedAndAtTheEnd) {
    Write("keep",
          "function on_talk(_, text) varno.set('last', text) end "
          "function on_channel() varno.log(varno.get('last')) end");
    const std::string path = folder_.file("keep.store");
    {
        ScriptHost host(fake_.ports());
        host.Load(folder_.path().string(), false);
        host.Talk("bob", "one");
        EXPECT_FALSE(std::filesystem::exists(path));
        host.Tick();
        EXPECT_EQ(folder_.read("keep.store"), "last\tsone\n");
        std::filesystem::remove(path);
        host.Tick();
        EXPECT_FALSE(std::filesystem::exists(path)) << "unchanged, not written again";
        host.Talk("bob", "two");
    }
    EXPECT_EQ(folder_.read("keep.store"), "last\tstwo\n");
    Load();
    host_.Channel("Chat");
    EXPECT_EQ(fake_.logs, Lines{"keep: two"});
}

// A store that can't be written (a folder in its place) is said once, and again only after
// a write has worked.
TEST_F(ScriptHostTest, AStoreThatCannotBeWrittenIsSaidOnceUntilAWriteWorks) {
    const std::string store = folder_.file("keep.store");
    const Lines told = {"Script keep: could not write keep.store"};
    Write("keep", "function on_talk(_, text) varno.set('last', text) end");
    std::filesystem::create_directory(store);
    Load();
    host_.Talk("bob", "one");
    host_.Tick();
    host_.Talk("bob", "two");
    host_.Tick();
    EXPECT_EQ(fake_.errors, told);
    std::filesystem::remove(store);
    host_.Tick();
    EXPECT_EQ(folder_.read("keep.store"), "last\tstwo\n");
    std::filesystem::remove(store);
    std::filesystem::create_directory(store);
    host_.Talk("bob", "three");
    host_.Stop();
    EXPECT_EQ(fake_.errors, (Lines{told[0], told[0]})) << "told again as the script ends";
}

TEST_F(ScriptHostTest, AFailureIsSaidOnceAndTheScriptStaysOffUntilItsFileChanges) {
    struct Case {
        std::string code;
        std::string line;
    };
    const Case cases[] = {
        {"function on_talk() error('boom') end", "Script bad: bad.lua:1: boom"},
        {"\nfunction on_talk(", "Script bad: bad.lua:2: <name> or '...' expected near <eof>"},
        {"\x1bLua\x54", "Script bad: attempt to load a binary chunk (mode is 't')"},
        {"local x = nil .. 1", "Script bad: bad.lua:1: attempt to concatenate a nil value"},
    };
    for (const Case& c : cases) {
        fake_.errors.clear();
        fake_.logs.clear();
        Write("bad", c.code);
        Load(true);
        host_.Talk("bob", "hi");
        host_.Talk("bob", "hi");
        Load();
        host_.Talk("bob", "hi");
        EXPECT_EQ(fake_.errors, Lines{c.line}) << c.code;
        ASSERT_EQ(host_.status().size(), 1U);
        EXPECT_FALSE(host_.status()[0].running);
        EXPECT_EQ("Script bad: " + host_.status()[0].error, c.line);
        EXPECT_TRUE(host_.empty());

        Write("bad", "function on_talk() varno.log('fixed') end");
        Load();
        host_.Talk("bob", "hi");
        EXPECT_EQ(fake_.logs, Lines{"bad: fixed"}) << c.code;
        EXPECT_FALSE(host_.empty());
    }
    fake_.errors.clear();
    Write("bad", "function on_talk() error('boom') end");
    Load();
    host_.Talk("bob", "hi");
    Load(true);
    host_.Talk("bob", "hi");
    EXPECT_EQ(fake_.errors, (Lines{"Script bad: bad.lua:1: boom", "Script bad: bad.lua:1: boom"}))
        << "a reload asked for starts it again";
}

// greet and seen keep a bounded number of names: full, a new name forgets the older half,
// however many share its time (here all of them), and never more.
TEST_F(ScriptHostTest, TheExampleScriptsForgetHalfTheirNamesWhenFull) {
    for (const std::string name : {"greet", "seen"}) {
        host_.Load("", false);
        std::filesystem::copy_file(std::string(VARNO_EXAMPLES) + "/" + name + ".lua",
                                   folder_.file(name + ".lua"),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(folder_.file(name + ".store"));
        Load();
        for (int i = 1; i <= 501; ++i) {
            host_.Join("user" + std::to_string(i), "0010", "CHAT");
        }
        host_.Stop();
        const std::string store = folder_.read(name + ".store");
        EXPECT_EQ(std::count(store.begin(), store.end(), '\n'), 251) << name;
        EXPECT_NE(store.find("user501\t"), std::string::npos) << name;
        std::filesystem::remove(folder_.file(name + ".lua"));
    }
    EXPECT_EQ(fake_.errors, Lines{});
}

TEST_F(ScriptHostTest, APortCallingBackIntoTheHostIsNotServed) {
    ScriptHost::Ports ports = fake_.ports();
    ScriptHost* self = nullptr;
    ports.say = [&](std::string_view text) {
        fake_.sent.emplace_back(text);
        self->Talk("VarnoBot", text);
        self->Load(folder_.path().string(), true);
        return true;
    };
    ScriptHost host(ports);
    self = &host;
    Write("echo", "function on_talk(_, text) varno.say(text) end");
    host.Load(folder_.path().string(), false);
    host.Talk("bob", "hi");
    EXPECT_EQ(fake_.sent, Lines{"hi"});
    EXPECT_FALSE(host.empty());
}

}  // namespace
}  // namespace varno
