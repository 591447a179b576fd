// The cost of one call of the string library's match and gsub against ours (lua_patterns.h),
// in one plain state, each call made 1,000 times by a Lua loop: the loop's own cost is in both.
// Ours charge a budget that only adds, as a script's does.

#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <cstdint>

#include "script/lua_patterns.h"

namespace {

std::int64_t charged = 0;

constexpr varno::PatternBudget kBudget = {
    [](lua_State*) { return std::int64_t{1} << 40; },
    [](lua_State*, std::int64_t steps) { charged += steps; },
};

constexpr int kCalls = 1000;

const char kSetUp[] = R"lua(
local text = {}
for i = 1, 40 do text[i] = 'Line ' .. i .. ': the quick fox!' end
TEXT = table.concat(text, ' '):sub(1, 1024)
function match_loop(S) for _ = 1, 1000 do S.match('hello there', '^(%S+)%s*(%S*)') end end
function gsub_loop(S) for _ = 1, 1000 do S.gsub(TEXT, '%f[%a]%a+', '<%0>') end end
)lua";

void Run(benchmark::State& state, const char* loop, const char* table) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_newtable(L);
    varno::OpenPatterns(L, -1, kBudget);
    lua_setglobal(L, "ours");
    luaL_dostring(L, kSetUp);
    for (auto _ : state) {
        lua_getglobal(L, loop);
        lua_getglobal(L, table);
        lua_call(L, 1, 0);
    }
    state.counters["ns_per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kCalls,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    lua_close(L);
}

void BM_MatchLibrary(benchmark::State& state) {
    Run(state, "match_loop", "string");
}
void BM_MatchOurs(benchmark::State& state) {
    Run(state, "match_loop", "ours");
}
void BM_GsubLibrary(benchmark::State& state) {
    Run(state, "gsub_loop", "string");
}
void BM_GsubOurs(benchmark::State& state) {
    Run(state, "gsub_loop", "ours");
}

}  // namespace

BENCHMARK(BM_MatchLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MatchOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GsubLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GsubOurs)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
