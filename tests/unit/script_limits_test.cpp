#include <gtest/gtest.h>

#include <lua.hpp>

#include <functional>
#include <string>

#include "script/lua_script.h"
#include "script/script_budget.h"
#include "support/script_host_rig.h"
#include "support/watchdog.h"

// The limits of a script's calls: instructions, memory and time, whatever the script calls.
namespace varno {
namespace {

using test::Lines;
using ScriptHostTest = test::ScriptHostRig;

TEST_F(ScriptHostTest, PassingALimitEndsOnlyThatScriptWithOneRedLine) {
    const std::string instructions = "instruction limit passed (1000000 instructions)";
    const std::string memory = "memory limit passed (8 MiB)";
    struct Case {
        std::string code;
        std::string line;
        std::int64_t msPerLook = 0;  // how far the steady clock moves at each look
    };
    const Case cases[] = {
        {"function on_talk() local s = string.rep('x', 9e6) end", memory},
        {"function on_talk() local s = string.rep('x', 1e8) end", instructions},
        {"function on_talk() local s = string.rep('', 1e15) end", instructions},
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
         instructions},
        {"local a, b = ('x'):rep(2e6), ('x'):rep(2e6)\n"
         "function on_talk() while true do local _ = a < b end end",
         "time limit passed (1 s)", 100},
        {"function on_talk() setmetatable({}, {__gc = function() while true do end end}) end",
         "bomb.lua:1: __gc metamethods are not available to scripts"},
        {"function on_talk() local x x.y = 1 end",
         "bomb.lua:1: attempt to index a nil value (local 'x')"},
        {"function on_talk() error(('x'):rep(1000), 0) end",
         "bomb.lua:1: " + std::string(LuaScript::kMaxMessageBytes - 12, 'x') + "..."},
        {"function on_talk() error({}) end", "(error object is a table value)"},
        // A character across the cut is left out whole.
        {"function on_talk() error(('x'):rep(287) .. '\\u{e9}' .. ('x'):rep(20), 0) end",
         "bomb.lua:1: " + std::string(287, 'x') + "..."},
        // A library function that gives up when refused raises no ordinary error.
        {"function on_talk() pcall(string.rep, 'x', 9e6) varno.log('went on') end", memory},
        {"function on_talk() local t = {} for i = 1, 50 do t[i] = ('x'):rep(1e5) end "
         "pcall(table.concat, t, ('y'):rep(1e5)) varno.log('went on') end",
         memory},
        {"function on_talk() xpcall(string.rep, function() return ('z'):rep(100) end, 'x', 9e6) "
         "varno.log('went on') end",
         memory},
        {"function on_talk() pcall(table.move, {}, 1, 1e15, 2) varno.log('went on') end",
         instructions},
        {"function on_talk() local t = setmetatable({}, {__index = rawequal, "
         "__newindex = rawequal, __len = function() return 1e15 end}) "
         "pcall(table.insert, t, 1, 'x') varno.log('went on') end",
         instructions},
        {"function on_talk() pcall(table.concat, setmetatable({}, {__index = table.concat}), "
         "'', 1, 1e15) varno.log('went on') end",
         instructions},
        {"function on_talk() local t = setmetatable({}, {__index = function() return 1 end, "
         "__len = function() return 1e8 end}) table.sort(t, rawequal) end",
         instructions},
        {"function on_talk() local t = {} for i = 1, 1e5 do t[i] = 1 end "
         "while true do table.sort(t, rawequal) end end",
         instructions},
        {"function on_talk() local s = ('1'):rep(4e6) while true do tonumber(s) end end",
         instructions},
        {"function on_talk() local s = ('i'):rep(1e6) while true do string.packsize(s) end end",
         instructions},
        {"function on_talk() local s = ('x'):rep(4e6) while true do utf8.len(s) end end",
         instructions},
        {"function on_talk() local s = ('x'):rep(1e5) while true do s:byte(1, -1) end end",
         instructions},
        {"function on_talk() local t = {} for i = 1, 1e5 do t[i] = {} end "
         "while true do collectgarbage() end end",
         instructions},
    };
    const test::Watchdog guard(120, "a call past its limits");
    Write("other", "n = 0 function on_talk() n = n + 1 varno.log(n) end");
    for (const Case& c : cases) {
        Write("bomb", c.code);
        Load(true);
        fake_.frozenMs = 0;
        fake_.msPerLook = c.msPerLook;
        fake_.logs.clear();
        fake_.errors.clear();
        host_.Talk("bob", "hi");
        host_.Talk("bob", "hi");
        EXPECT_EQ(fake_.errors, Lines{"Script bomb: " + c.line}) << c.code;
        EXPECT_FALSE(Running("bomb")) << c.code;
        EXPECT_EQ(fake_.logs, (Lines{"other: 1", "other: 2"})) << c.code;
    }
}

// The Lua instructions that code's on_tick(n) runs, counted one by one in a plain state of
// the library's own: what the budget must allow, and not one more.
std::int64_t InstructionsRun(const std::string& code, std::int64_t n) {
    static std::int64_t counted = 0;
    lua_State* L = luaL_newstate();
    EXPECT_EQ(luaL_dostring(L, code.c_str()), LUA_OK);
    lua_getglobal(L, "on_tick");
    lua_pushinteger(L, n);
    counted = 0;
    lua_sethook(
        L, [](lua_State*, lua_Debug*) { ++counted; }, LUA_MASKCOUNT, 1);
    EXPECT_EQ(lua_pcall(L, 1, 0, 0), LUA_OK);
    lua_close(L);
    return counted;
}

// A call may run exactly the budget's instructions, at every count up to it, and the next
// event finds its arguments pushed whatever the last call left: a call one past is stopped.
TEST_F(ScriptHostTest, TheInstructionLimitHoldsExactlyAndTheNextEventStillComes) {
    const test::Watchdog guard(120, "a call past the instruction limit");
    const std::string loop = "function on_tick(n) for i = 1, n do end end";
    const std::int64_t fixed = InstructionsRun(loop, 0);
    ASSERT_EQ(InstructionsRun(loop, 1000), fixed + 1000) << "one instruction a round";
    Write("count", loop + "\nfunction on_talk(_, text) varno.log(#text) end");
    const std::string text(100, 'y');
    for (std::int64_t work = LuaScript::kInstructionLimit - 20;
         work <= LuaScript::kInstructionLimit + 1; ++work) {
        Load(true);
        fake_.errors.clear();
        fake_.logs.clear();
        fake_.now = work - fixed;
        host_.Tick();
        host_.Talk("bob", text);
        if (work <= LuaScript::kInstructionLimit) {
            EXPECT_EQ(fake_.errors, Lines{}) << work;
            EXPECT_EQ(fake_.logs, Lines{"count: 100"}) << work;
        } else {
            EXPECT_EQ(fake_.errors,
                      Lines{"Script count: instruction limit passed (1000000 instructions)"});
            EXPECT_EQ(fake_.logs, Lines{});
        }
    }
}

// The account of memory and work, at each bound and one past it.
TEST(ScriptBudgetTest, EachLimitHoldsAtItsBound) {
    using Limit = ScriptBudget::Limit;
    constexpr std::size_t kCap = ScriptBudget::kMemoryLimit;
    constexpr std::int64_t kWork = ScriptBudget::kInstructionLimit;
    constexpr std::size_t kPer = ScriptBudget::kBytesPerInstruction;
    int block = 0;  // a block's address, for the requests that name one
    struct Case {
        std::string name;
        std::function<bool(ScriptBudget&)> steps;  // the last request's answer
        bool granted;
        Limit limit;
    };
    const auto grow = [](ScriptBudget& b, const void* at, std::size_t from, std::size_t to) {
        const bool granted = b.MayGrow(at, from, to);
        if (granted) {
            b.Grown(from, to);
        }
        return granted;
    };
    const Case cases[] = {
        {"the memory cap exactly", [&](ScriptBudget& b) { return grow(b, nullptr, 0, kCap); }, true,
         Limit::None},
        {"a byte past the cap",
         [&](ScriptBudget& b) { return grow(b, nullptr, 0, kCap - 10) && grow(b, &block, 10, 21); },
         false, Limit::None},
        {"asked again after the collection",
         [&](ScriptBudget& b) {
             grow(b, nullptr, 0, kCap - 10);
             grow(b, &block, 10, 21);
             return grow(b, &block, 10, 21);
         },
         false, Limit::Memory},
        {"room made by the collection",
         [&](ScriptBudget& b) {
             grow(b, nullptr, 0, kCap - 10);
             grow(b, &block, 10, 21);
             b.Shrunk(kCap - 10, 0);
             return grow(b, &block, 10, 21);
         },
         true, Limit::None},
        {"a refusal never asked again, then another growth",
         [&](ScriptBudget& b) {
             grow(b, nullptr, 0, kCap - 10);
             grow(b, &block, 10, 21);
             return grow(b, nullptr, 0, 1);
         },
         false, Limit::Memory},
        {"the work budget exactly, in bytes",
         [&](ScriptBudget& b) {
             b.Charge(kWork - 2);
             return grow(b, nullptr, 0, 2 * kPer) && b.work() == kWork &&
                    grow(b, &block, 2 * kPer, 3 * kPer - 1);
         },
         true, Limit::None},
        {"the allocated byte that passes the work budget",
         [&](ScriptBudget& b) {
             b.Charge(kWork - 2);
             grow(b, nullptr, 0, 3 * kPer - 1);
             b.Shrunk(3 * kPer - 1, 0);
             return grow(b, nullptr, 0, 1);
         },
         false, Limit::Instructions},
        {"an instruction past the work budget",
         [&](ScriptBudget& b) {
             b.Charge(kWork);
             const bool granted = grow(b, nullptr, 0, kPer - 1);
             b.Charge(1);
             return granted;
         },
         true, Limit::Instructions},
        {"nothing grows once a limit is passed",
         [&](ScriptBudget& b) {
             b.Pass(Limit::Time);
             return grow(b, nullptr, 0, 1);
         },
         false, Limit::Time},
        {"a new call counts afresh",
         [&](ScriptBudget& b) {
             b.Charge(kWork + 1);
             b.Start();
             b.Charge(kWork);
             return grow(b, nullptr, 0, kPer - 1);
         },
         true, Limit::None},
    };
    for (const Case& c : cases) {
        ScriptBudget budget;
        budget.Start();
        EXPECT_EQ(c.steps(budget), c.granted) << c.name;
        EXPECT_EQ(budget.limit(), c.limit) << c.name;
    }
    ScriptBudget left;
    left.Start();
    left.MayGrow(nullptr, 0, kCap + 1);
    EXPECT_EQ(left.limit(), Limit::None);
    left.Settle();
    EXPECT_EQ(left.limit(), Limit::Memory) << "a refusal left unasked when the call ends";
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

}  // namespace
}  // namespace varno
