#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "script/lua_script.h"
#include "support/script_host_rig.h"

namespace varno {
namespace {

using test::Lines;
using ScriptHostTest = test::ScriptHostRig;

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
        {"show(varno.set('" + key201.substr(1) + "', 1), varno.get('" + key201.substr(1) + "'))",
         {"probe: true 1"}},
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

// Whole file names in byte order: "B.lua", "a-b.lua", "a.lua" ('B' < 'a', '-' < '.').
TEST_F(ScriptHostTest, ScriptsRunInTheByteOrderOfTheirFileNames) {
    for (const char* name : {"a", "a-b", "B"}) {
        Write(name, "function on_talk() varno.log('') end");
    }
    Load();
    host_.Talk("bob", "hi");
    EXPECT_EQ(fake_.logs, (Lines{"B: ", "a-b: ", "a: "}));
}

// An end that fails is said like any failure; the others still end as told.
TEST_F(ScriptHostTest, AScriptWhoseEndFailsIsSaidOff) {
    Write("bad", "function on_stop() error('no') end");
    Write("good", "function on_stop() varno.log('stopped') end");
    Load();
    host_.Stop();
    EXPECT_EQ(fake_.errors, Lines{"Script bad: bad.lua:1: no"});
    EXPECT_EQ(fake_.logs, Lines{"good: stopped"});
}

// A script's log holds at most 20 lines a second, each cut at 300 bytes; the cap met is said
// once in that second.
TEST_F(ScriptHostTest, AScriptsLogIsBounded) {
    Write("chatty",
          "function on_talk(_, n) for i = 1, tonumber(n) do print(i) end end "
          "function on_emote() varno.log(('\\u{e9}'):rep(200)) end");
    Load();
    host_.Talk("bob", "25");
    host_.Talk("bob", "1");
    ASSERT_EQ(fake_.logs.size(), 20U);
    EXPECT_EQ(fake_.logs.back(), "chatty: 20");
    EXPECT_EQ(fake_.errors, Lines{"Script chatty: more than 20 log lines in a second; the rest "
                                  "of this second's are left out"});
    ++fake_.now;
    fake_.logs.clear();
    host_.Talk("bob", "1");
    host_.Emote("bob", "");
    std::string cut;
    for (int i = 0; i < 150; ++i) {
        cut += "\xc3\xa9";
    }
    EXPECT_EQ(fake_.logs, (Lines{"chatty: 1", "chatty: " + cut + "..."}));
    EXPECT_EQ(fake_.errors.size(), 1U);
}

// A deed that ends while its script's call still runs is told on the next tick, once.
TEST_F(ScriptHostTest, ADeedEndedDuringTheCallIsToldOnTheNextTick) {
    ScriptHost::Ports ports = fake_.ports();
    ScriptHost* self = nullptr;
    ports.moderate = [&](std::string_view script, std::string_view action, std::string_view name,
                         std::string_view) {
        self->DeedEnded(script, action, name, false, "the line is too long to send");
        return std::string();
    };
    ScriptHost host(ports);
    self = &host;
    Write("asker", kShow +
                       "function on_talk() varno.ban('bob') show('asked') end "
                       "function on_deed(...) show(...) end");
    host.Load(folder_.path().string(), false);
    host.Talk("bob", "hi");
    EXPECT_EQ(fake_.logs, Lines{"asker: asked"});
    host.Tick();
    host.Tick();
    EXPECT_EQ(fake_.logs,
              (Lines{"asker: asked", "asker: ban bob false the line is too long to send"}));
}

}  // namespace
}  // namespace varno
