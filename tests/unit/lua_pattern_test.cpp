#include <gtest/gtest.h>

#include <lua.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "script/lua_pattern.h"
#include "script/lua_patterns.h"
#include "script/script_host.h"
#include "support/fake_script_ports.h"
#include "support/fakes.h"

namespace varno {
namespace {

// A plain state's budget: the same allowance for every call, each charge recorded.
struct Meter {
    std::int64_t allowance = std::int64_t{1} << 40;
    std::int64_t charged = 0;
    std::int64_t mostCharged = 0;  // the most steps one charge gave
};

Meter& MeterOf(lua_State* L) {
    return **static_cast<Meter**>(lua_getextraspace(L));
}

constexpr PatternBudget kMeterBudget = {
    [](lua_State* L) { return MeterOf(L).allowance; },
    [](lua_State* L, std::int64_t steps) {
        Meter& meter = MeterOf(L);
        meter.charged += steps;
        meter.mostCharged = std::max(meter.mostCharged, steps);
    },
};

// Lua helpers: show(...) writes values with their types, collect(f) every round of an
// iterator, probe(S, s, p, init) the results of every function of S over one subject and
// pattern. Each function is called from Lua code, so that an error names it as the script
// wrote it, whichever table it came from.
const char kHelpers[] = R"lua(
local function encode(v)
  if type(v) == 'number' then return math.type(v) .. ':' .. tostring(v) end
  if type(v) == 'string' then return string.format('%q', v) end
  return type(v) .. ':' .. tostring(v)
end
function show(...)
  local out = {}
  for i = 1, select('#', ...) do out[i] = encode((select(i, ...))) end
  return table.concat(out, ' ')
end
function collect(f)
  local rounds = {}
  for _ = 1, 100 do
    local round = table.pack(f())
    if round.n == 0 then break end
    rounds[#rounds + 1] = '{' .. show(table.unpack(round, 1, round.n)) .. '}'
  end
  return table.concat(rounds)
end
ALL = {} for i = 0, 255 do ALL[i + 1] = string.char(i) end ALL = table.concat(ALL)
function probe(S, s, p, init)
  local out = {}
  local function add(f) out[#out + 1] = show(pcall(f)) end
  add(function() return S.find(s, p, init) end)
  add(function() return S.find(s, p, init, true) end)
  add(function() return S.match(s, p, init) end)
  add(function() return collect(S.gmatch(s, p, init)) end)
  add(function() return S.gsub(s, p, '<%0%1>') end)
  add(function() return S.gsub(s, p, '%%', 2) end)
  add(function() return S.gsub(s, p, function(a, b) return b end) end)
  add(function() return S.gsub(s, p, {a = 'A', b = false, c = {}, [1] = 'one'}) end)
  return table.concat(out, '\n')
end
)lua";

// One plain state with the library's functions in string and ours in the table ours.
class Differential {
public:
    Differential() {
        *static_cast<Meter**>(lua_getextraspace(L_)) = &meter_;
        luaL_openlibs(L_);
        lua_newtable(L_);
        OpenPatterns(L_, -1, kMeterBudget);
        lua_setglobal(L_, "ours");
        if (luaL_dostring(L_, kHelpers) != LUA_OK) {
            ADD_FAILURE() << lua_tostring(L_, -1);
        }
    }
    ~Differential() { lua_close(L_); }
    Differential(const Differential&) = delete;
    Differential& operator=(const Differential&) = delete;

    // What expression (over S, the table of functions) gives, shown, with S the library's
    // and with ours.
    std::pair<std::string, std::string> Both(const std::string& expression) {
        const std::string code =
            "local S = ... return show(pcall(function() return " + expression + " end))";
        return {Run(code, "string"), Run(code, "ours")};
    }
    std::string Run(const std::string& code, const char* table) {
        meter_.mostCharged = 0;
        lua_settop(L_, 0);
        if (luaL_loadbuffer(L_, code.data(), code.size(), "=case") != LUA_OK) {
            return lua_tostring(L_, -1);
        }
        lua_getglobal(L_, table);
        if (lua_pcall(L_, 1, 1, 0) != LUA_OK) {
            return std::string("raised: ") + lua_tostring(L_, -1);
        }
        return lua_tostring(L_, -1);
    }
    // probe() over one subject and pattern, ours then the library's.
    std::string Probe(const char* table, const std::string& subject, const std::string& pattern,
                      int init) {
        meter_.mostCharged = 0;
        lua_settop(L_, 0);
        lua_getglobal(L_, "probe");
        lua_getglobal(L_, table);
        lua_pushlstring(L_, subject.data(), subject.size());
        lua_pushlstring(L_, pattern.data(), pattern.size());
        lua_pushinteger(L_, init);
        if (lua_pcall(L_, 4, 1, 0) != LUA_OK) {
            return std::string("raised: ") + lua_tostring(L_, -1);
        }
        std::size_t length = 0;
        const char* text = lua_tolstring(L_, -1, &length);
        return std::string(text, length);
    }
    Meter& meter() { return meter_; }

private:
    lua_State* L_ = luaL_newstate();
    Meter meter_;
};

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

TEST(LuaPatternTest, EveryFunctionGivesWhatTheLibraryGives) {
    std::vector<std::string> cases = {
        // find: plain, init, anchors, captures and argument errors
        "S.find('hello world', 'o w')",
        "S.find('hello', 'l')",
        "S.find('hello', 'xyz')",
        "S.find('hello', '')",
        "S.find('hello', '', 5)",
        "S.find('hello', '', 6)",
        "S.find('hello', '', 7)",
        "S.find('hello', 'l', -2)",
        "S.find('hello', 'l', -100)",
        "S.find('hello', 'h', 0)",
        "S.find('a.b', '.', 1, true)",
        "S.find('a+b', '+', 1, true)",
        "S.find('abc', 'b', nil, 1)",
        "S.find('aXb\\0c', '\\0c')",
        "S.find('x\\0y', 'x\\0')",
        "S.find('x\\0y.', '\\0y.')",
        "S.find('aab', 'ab', 1, true)",
        "S.find(('ab'):rep(9) .. 'abc', 'ababc', 1, true)",
        "S.find(123, 2)",
        "S.find('abc', 'b', 1.0)",
        "S.find('abc', 'b', 1.5)",
        "S.find('abc', 'b', 'x')",
        "S.find('abc', 'b', '2')",
        "S.find(nil, 'a')",
        "S.find('a', {})",
        "S.find('a')",
        "S.find('abc', 'b', math.mininteger)",
        "S.find('abc', 'b', math.maxinteger)",
        "S.find('abc', '(b)(c)')",
        "S.find('abc', '()b()')",
        "S.find('abc', '^b')",
        "S.find('abc', '^a')",
        "S.find('abc', 'c$')",
        "S.find('abc', 'b$')",
        "S.find('a$c', 'a$c')",
        "S.find('abc', '$')",
        "S.find('^a', '^^a')",
        "S.find('abc', 'b', 3, true)",
        "S.find('abc', 'c', -1, true)",
        "({find = S.find}):find('x')",
        // match: the examples' patterns, quantifiers, sets
        "S.match('hello there', '^(%S+)%s*(%S*)')",
        "S.match('!lock', '^(%S+)%s*$')",
        "S.match('1700000000 tsaid hi', '^(%d+) ([te]?)(.*)$')",
        "S.match('  key = value ', '^%s*(%w+)%s*=%s*(%w+)')",
        "S.match('aaab', 'a*')",
        "S.match('aaab', 'a+b')",
        "S.match('aaab', 'a-b')",
        "S.match('aaab', 'a-')",
        "S.match('ab', 'a?b?c?')",
        "S.match('xaaa', '.-a')",
        "S.match('abc', '[ab]*c')",
        "S.match('a]b', '[]]')",
        "S.match('a]b', '[^]]+')",
        "S.match('a-b', '[a-]+')",
        "S.match('-ab', '[-a]+')",
        "S.match('z%a', '[%a-z]+')",
        "S.match('a%b', '[a-%%]+')",
        "S.match(']x', '[%]]')",
        "S.match('b', '[z-a]')",
        "S.match('d', '[a-c-e]+')",
        "S.match('x', '[^]')",
        "S.match('x', '[')",
        "S.match('x', '[a')",
        "S.match('x', '[%')",
        "S.match('x', '[a%]')",
        "S.match('x', '%')",
        "S.match('x', 'x%')",
        "S.match('y', 'x[')",
        "S.match('', '')",
        "S.match('', '^$')",
        "S.match('abc', '', 4)",
        "S.match('abc', '', 5)",
        "S.match('abc', '.', -1)",
        "S.match('abc', '%w+', 2)",
        // captures and back-references
        "S.match('ab', '(a)(b)')",
        "S.match('ab', '((a)b)')",
        "S.match('ab', '()')",
        "S.match('ab', '(a')",
        "S.match('ab', ')')",
        "S.match('ab', 'a)')",
        "S.match('a', '(()')",
        "S.match('ab', '%1')",
        "S.match('aa', '(a)%1')",
        "S.match('abab', '(a*b)%1')",
        "S.match('aa', '()%1')",
        "S.match('aa', '%0')",
        "S.match('aa', '(a)%2')",
        "S.match('aa', '(a%1)')",
        "S.match('aa', '(a)%9')",
        "S.match(('a'):rep(32), ('(a)'):rep(32))",
        "S.match(('a'):rep(33), ('(a)'):rep(33))",
        "S.match(('a'):rep(33), ('()'):rep(33))",
        "S.match('x', ('()'):rep(32))",
        // %b and %f
        "S.match('f(a(b)c) d', '%b()')",
        "S.match('(((', '%b()')",
        "S.match('x', '%b(')",
        "S.match('x', '%b')",
        "S.match('((a))', '%b((')",
        "S.match('xaybycz', '%bxy')",
        "S.match(')(', '%b)(')",
        "S.match('', '%b()')",
        "S.match('a\\0b', '%b\\0b')",
        "S.match('THE (quick) fox', '%f[%a]%a+')",
        "S.match('the fox', '%f[%a]%a+%f[%A]', 5)",
        "S.match('x', '%f')",
        "S.match('x', '%fa')",
        "S.match('x', '%f[a')",
        "S.match('ab', '%f[%z]')",
        "S.match('ab', 'b%f[%z]')",
        "S.match('ab', 'b%f[\\0]')",
        "S.match('ab', '^%f[a]')",
        "S.match('\\0a', '%f[a]')",
        // gmatch: init, anchors, empty matches, errors raised only by the iterator
        "collect(S.gmatch('a,b,,c', '[^,]*'))",
        "collect(S.gmatch('hello', '()'))",
        "collect(S.gmatch('hello', 'l', 4))",
        "collect(S.gmatch('hello', 'l', -1))",
        "collect(S.gmatch('hello', 'l', 10))",
        "collect(S.gmatch('hello', '', 6))",
        "collect(S.gmatch('abab', '^ab'))",
        "collect(S.gmatch('^ab^ab', '^ab'))",
        "type(S.gmatch('a', '['))",
        "collect(S.gmatch('a', '['))",
        "collect(S.gmatch('abc', '.-'))",
        "collect(S.gmatch('k=v, x=y', '(%w+)=(%w+)'))",
        "collect(S.gmatch('abc', '(a)(', 1))",
        "S.gmatch('abc')",
        "S.gmatch('abc', 'b', 'x')",
        // gsub: every kind of replacement, the count, anchors, empty matches
        "S.gsub('hello world', 'o', '0')",
        "S.gsub('hello world', 'o', '0', 1)",
        "S.gsub('hello', 'l', '%%')",
        "S.gsub('hello', 'l', '[%0]')",
        "S.gsub('hello', 'l', '%1')",
        "S.gsub('hello', '(l)(l)', '%2%1')",
        "S.gsub('hello', 'l', '%2')",
        "S.gsub('hello', 'l', 'x%')",
        "S.gsub('hello', 'l', '%x')",
        "S.gsub('hello', 'l', 5)",
        "S.gsub('hello', 'l', 5.5)",
        "S.gsub('abc', '()', '%1')",
        "S.gsub('abc', '', '-')",
        "S.gsub('abc', '%w*', '-')",
        "S.gsub('abc', '^', '>')",
        "S.gsub('abc', '^a', '')",
        "S.gsub('abc', '^b', '')",
        "S.gsub('abc', '$', '<')",
        "S.gsub('abc', 'b', true)",
        "S.gsub('abc', 'b')",
        "S.gsub('abc', '(b)', '%1%1')",
        "S.gsub('abc', '(', 'x')",
        "S.gsub('abc', 'b', 'x', 0)",
        "S.gsub('abc', 'b', 'x', -1)",
        "S.gsub('abc', 'b', 'x', 1.5)",
        "S.gsub('abc', 'b', 'x', 'y')",
        "S.gsub('abc', 'b', {}, 'y')",
        "S.gsub('abc', '%w', string.upper)",
        "S.gsub('abc', '%w', function() end)",
        "S.gsub('abc', '%w', function() return false end)",
        "S.gsub('abc', '%w', function() return 7 end)",
        "S.gsub('abc', '%w', function() return {} end)",
        "S.gsub('abc', '(%w)()', function(c, p) return c .. p end)",
        "S.gsub('abc', '%w', {a = 1, b = true})",
        "S.gsub('abc', '()', {[2] = 'two'})",
        "S.gsub('abc', '(a)', {a = 'A'})",
        "S.gsub('abc', '(a', {a = 'A'})",
        "S.gsub('abc', '(a', 'x')",
        "S.gsub('abc', '(a', function() end)",
        "S.gsub('abc', '%w', setmetatable({}, {__index = function(_, k) return k:upper() end}))",
        "S.gsub('a.b', '.', '%0%0', 2)",
        "S.gsub('', '', 'x')",
        "S.gsub('abc', 'x*', '-', 2)",
        "S.gsub(12, 2, 3)",
        "S.gsub('x', 'x', '%0', math.maxinteger)",
    };
    for (const char* letter : {"a", "c", "d", "g", "l", "p", "s", "u", "w", "x", "A", "C", "D",
                               "G", "L", "P", "S", "U", "W", "X", "z", "Z", ".", "%", "]"}) {
        cases.push_back("S.gsub(ALL, '%" + std::string(letter) + "', '')");
        cases.push_back("S.gsub(ALL, '[%" + std::string(letter) + "]', '')");
        cases.push_back("S.gsub(ALL, '[^%" + std::string(letter) + "_]', '')");
    }
    // Matching nests a level for each piece here: the last that fits and the first that does
    // not.
    for (int n = 197; n <= 201; ++n) {
        const std::string count = std::to_string(n);
        cases.push_back("S.match(('a'):rep(" + count + "), ('a?'):rep(" + count + "))");
        cases.push_back("S.find('b', ('a-'):rep(" + count + ") .. 'b')");
        cases.push_back("S.find('b', ('a*'):rep(" + count + ") .. 'b')");
        cases.push_back("S.gsub('b', ('()'):rep(" + count + "), '')");
        cases.push_back("S.match(('a'):rep(" + count + "), '(' .. ('a'):rep(" + count +
                        ") .. ')')");
    }
    Differential lua;
    for (const std::string& expression : cases) {
        const auto [library, ours] = lua.Both(expression);
        EXPECT_EQ(ours, library) << expression;
    }
}

// Patterns of pieces and subjects of a small alphabet, chosen from a fixed seed. The library
// runs only what ours matched within a small allowance: ours counts at least the library's
// work, so the library cannot hang on them.
TEST(LuaPatternTest, GeneratedPatternsGiveWhatTheLibraryGives) {
    static const char* const kPieces[] = {
        "a",    "b",    ".",    "%a",    "%d",     "%s", "%W", "[ab]", "[^a]", "[a-c]",
        "[%d]", "*",    "+",    "-",     "?",      "(",  ")",  "()",   "^",    "$",
        "%1",   "%2",   "%b()", "%f[a]", "%f[%W]", "%",  "[",  "]",    "x",    "a*",
        "(a*)", "(.-)", "%0",   "(a)",   "[%]]",   "%b", "%f", "-",    "\\0"};
    static const char kSubjectBytes[] = "aab b(1)x ]\0";
    std::mt19937 random(20261210);
    Differential lua;
    lua.meter().allowance = 20000;
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string pattern;
        for (int i = static_cast<int>(random() % 7); i >= 0; --i) {
            const std::string piece = kPieces[random() % std::size(kPieces)];
            pattern += piece == "\\0" ? std::string(1, '\0') : piece;
        }
        std::string subject(random() % 12, '\0');
        for (char& c : subject) {
            c = kSubjectBytes[random() % (sizeof kSubjectBytes - 1)];
        }
        const int init = static_cast<int>(random() % 16) - 8;
        const std::string ours = lua.Probe("ours", subject, pattern, init);
        EXPECT_LE(lua.meter().mostCharged, lua.meter().allowance + 1);
        if (ours.find("allowance of steps") != std::string::npos) {
            continue;
        }
        ++compared;
        EXPECT_EQ(ours, lua.Probe("string", subject, pattern, init))
            << "pattern " << Quoted(pattern) << " subject " << Quoted(subject) << " init " << init;
    }
    EXPECT_GT(compared, 2900);
}

}  // namespace
}  // namespace varno
