#include <gtest/gtest.h>

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
#include "script/plain_search.h"
#include "script/script_host.h"
#include "support/fake_script_ports.h"
#include "support/fakes.h"
#include "support/pattern_differential.h"

namespace varno {
namespace {

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
        "S.gsub('ab', '%w', function(c) return (S.gsub(c, '.', '%0%0')) end)",
        "collect((function() local it = coroutine.wrap(function() return S.gmatch('a b', '%a') "
        "end)() collectgarbage() return it end)())",
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
    test::PatternDifferential lua;
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
    static const char* const kReplacements[] = {"<%0%1>", "%2", "%%", "x%", "%a", ""};
    std::mt19937 random(20261210);
    test::PatternDifferential lua;
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
        const std::string replacement = kReplacements[random() % std::size(kReplacements)];
        const bool plain = random() % 4 == 0;
        const std::string ours = lua.Probe("ours", subject, pattern, init, replacement, plain);
        EXPECT_LE(lua.meter().mostCharged, lua.meter().allowance + 1);
        if (ours.find("allowance of steps") != std::string::npos) {
            continue;
        }
        ++compared;
        EXPECT_EQ(ours, lua.Probe("string", subject, pattern, init, replacement, plain))
            << "pattern " << Quoted(pattern) << " subject " << Quoted(subject) << " init " << init
            << " replacement " << Quoted(replacement) << " plain " << plain;
    }
    EXPECT_GT(compared, 2900);
}

// Each pattern takes some steps; an allowance of exactly those matches, one fewer stops the
// search, and through a function it raises instead of giving a wrong answer.
TEST(LuaPatternTest, AnAllowanceOfExactlyTheStepsTakenIsEnough) {
    struct Case {
        std::string subject, pattern;
    };
    const Case cases[] = {
        {"hello there", "(%S+)%s*(%S*)"},
        {std::string(40, 'a'), "a*a*a*a*b"},
        {"x(a(b)c)y", "%b()"},
        {"THE (quick) fox", "%f[%a]%a+%f[%A]"},
        {"abcabc", "(a[b-c]+)%1$"},
        {std::string(100, 'a'), ".-b"},
    };
    test::PatternDifferential lua;
    for (const Case& c : cases) {
        LuaPattern unlimited(c.subject, c.pattern, std::int64_t{1} << 40);
        const LuaPattern::Outcome outcome = unlimited.Search(0, false);
        ASSERT_NE(outcome, LuaPattern::Outcome::OutOfSteps) << c.pattern;
        const std::int64_t steps = unlimited.steps();
        LuaPattern exact(c.subject, c.pattern, steps);
        EXPECT_EQ(exact.Search(0, false), outcome) << c.pattern;
        EXPECT_EQ(exact.steps(), steps) << c.pattern;
        LuaPattern short_(c.subject, c.pattern, steps - 1);
        EXPECT_EQ(short_.Search(0, false), LuaPattern::Outcome::OutOfSteps) << c.pattern;
        EXPECT_EQ(short_.steps(), steps) << "one past the allowance";

        const std::string call = "S.find(" + Quoted(c.subject) + ", " + Quoted(c.pattern) + ")";
        lua.meter().allowance = steps;
        const std::string fits = lua.Both(call).second;
        EXPECT_EQ(fits, lua.Both(call).first) << c.pattern;
        EXPECT_EQ(lua.meter().mostCharged, steps) << c.pattern;
        lua.meter().allowance = steps - 1;
        EXPECT_EQ(lua.Both(call).second,
                  "boolean:false \"case:1: pattern matching passed its allowance of steps\"");
        EXPECT_EQ(lua.meter().mostCharged, steps) << "charged one step more than allowed";
        lua.meter().allowance = std::int64_t{1} << 40;
    }
}

// Plain text is searched in steps linear in the subject, whatever the needle.
TEST(LuaPatternTest, PlainSearchStepsGrowLinearly) {
    struct Case {
        std::string haystack, needle;
        std::size_t position;
    };
    const std::string a(100000, 'a');
    const Case cases[] = {
        {a, std::string(1000, 'a') + "b", std::string::npos},
        {a, "b" + std::string(1000, 'a'), std::string::npos},
        {a + "b", std::string(1000, 'a') + "b", a.size() - 1000},
        {a, std::string(500, 'a') + "b" + std::string(500, 'a'), std::string::npos},
        {std::string(50000, 'a') + std::string(50000, 'b'), "ab", 49999},
        {a, "a", 0},
    };
    test::PatternDifferential lua;
    for (const Case& c : cases) {
        const PlainFound found = FindPlain(c.haystack, c.needle, std::int64_t{1} << 40);
        EXPECT_EQ(found.position, c.position) << c.needle.substr(0, 3);
        EXPECT_LE(found.steps, 2 * static_cast<std::int64_t>(c.haystack.size() + c.needle.size()))
            << c.needle.substr(0, 3);
        EXPECT_EQ(c.haystack.find(c.needle), c.position);
    }
}

// Ends the program with a failure when the guarded code has not returned in a generous
// bound: a limit that does not hold fails the test instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(const char* what) : what_(what), thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void Watch() {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::seconds(60), [this] { return done_; })) {
            std::fprintf(stderr, "FAILED: %s did not end within 60 s\n", what_);
            std::_Exit(1);
        }
    }
    const char* what_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// The patterns that freeze the library's functions (for seconds to years) end only their
// script, as any script passing its instruction limit ends.
TEST(LuaPatternScriptTest, APatternThatWouldRunLongEndsItsScriptAtTheInstructionLimit) {
    const std::string hostile = "local s, p = ('a'):rep(40), ('a*'):rep(40) .. 'b' ";
    const char* const kCases[] = {
        "s:find(p)",
        "string.rep('a', 300000):find('.-b')",
        "string.rep('a', 4000000):find(('a'):rep(1000) .. 'b', 1, true)",
        "string.rep('a', 4000000):find(('a'):rep(1000) .. 'b')",
        "s:match(p)",
        "for _ in s:gmatch(p) do end",
        "s:gsub(p, '')",
        "s:gsub('a', function() return s:match(p) end)",
        "pcall(string.find, s, p)",
        "pcall(string.find, s .. 'cb', '(' .. ('a*'):rep(20) .. 'b')",
        "while true do s:find('a*a*a*a*a*b') end",
    };
    test::TempFolder folder;
    test::FakeScriptPorts fake;
    const ScriptHost::Ports ports = fake.ports();
    ScriptHost host(ports);
    folder.write("other.lua", "n = 0 function on_talk() n = n + 1 varno.log(n) end");
    for (const char* code : kCases) {
        folder.write("bomb.lua", "function on_talk() " + hostile + code + " end");
        host.Load(folder.path().string(), true);
        fake.logs.clear();
        fake.errors.clear();
        {
            const Watchdog watchdog(code);
            host.Talk("bob", "hi");
            host.Talk("bob", "hi");
        }
        EXPECT_EQ(fake.errors,
                  std::vector<std::string>{
                      "Script bomb: instruction limit passed (1000000 instructions)"})
            << code;
        EXPECT_EQ(fake.logs, (std::vector<std::string>{"other: 1", "other: 2"})) << code;
    }
}

TEST(LuaPatternScriptTest, PatternsThatFitTheBudgetWorkInAScript) {
    test::TempFolder folder;
    test::FakeScriptPorts fake;
    const ScriptHost::Ports ports = fake.ports();
    ScriptHost host(ports);
    folder.write("words.lua", R"lua(
function on_command(name, command)
  local word, target = command:match('^(%S+)%s*(%S*)')
  local time, kind, line = ('1700000000 tsaid hi'):match('^(%d+) ([te]?)(.*)$')
  local text = ('the quick brown fox '):rep(50)
  local upper, count = text:gsub('%f[%a]%a', string.upper)
  local words = 0
  for _ in text:gmatch('%a+') do words = words + 1 end
  varno.log(table.concat({word, target, time, kind, line, #upper, count, words,
                          upper:sub(1, 9), tostring(text:find('fox', 1, true))}, ' '))
end)lua");
    host.Load(folder.path().string(), false);
    host.Command("bob", "seen ann", true);
    EXPECT_EQ(fake.logs, std::vector<std::string>{
                             "words: seen ann 1700000000 t said hi 1000 200 200 The Quick 17"});
    EXPECT_EQ(fake.errors, std::vector<std::string>{});
}

}  // namespace
}  // namespace varno
