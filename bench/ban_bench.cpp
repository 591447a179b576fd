// The ban check at scale: 1,000 ban patterns (stars and question marks mixed, some written
// to make a backtracking matcher explode) against 10,000 joins, each join checked as the
// data-arrival handler checks it. Reports joins per second and the worst single join.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/session.h"
#include "moderation/ban_list.h"

namespace varno {
namespace {

constexpr std::size_t kPatterns = 1000;
constexpr std::size_t kJoins = 10000;

// Patterns as an operator writes them: prefixes, suffixes, infixes, single-character holes,
// and a few that force many star retries ("*a*a*a*a*a*a*b").
std::string Pattern(std::size_t i) {
    const std::string name = bench::UserName(i * 7919 % 50000);
    std::string pattern;
    switch (i % 8) {
        case 0:
            pattern.append(name, 0, 4).append("*");
            break;
        case 1:
            pattern.append("*").append(name, name.size() - 3);
            break;
        case 2:
            pattern.append("*").append(name, 2, 3).append("*");
            break;
        case 3:
            pattern.append(name, 0, 2).append("?").append(name, 3, 2).append("*");
            break;
        case 4:
            pattern.append("?").append(name, 1).append("?");
            break;
        case 5:
            pattern = "*a*a*a*a*a*a*a*a*b";
            break;
        case 6:
            pattern.append("[").append(name, 0, 3).append("]*-#?");
            break;
        default:
            pattern = name;
    }
    return pattern;
}

// Joins: generated names, and now and then a long one of the kind that makes the star
// patterns above retry most.
std::vector<std::string> Joins() {
    std::vector<std::string> joins;
    for (std::size_t i = 0; i < kJoins; ++i) {
        joins.push_back(i % 100 == 0 ? std::string(24, 'a') : bench::UserName(i));
    }
    return joins;
}

double ThreadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

class BanFile {
public:
    BanFile()
        : path_(std::filesystem::temp_directory_path() /
                ("varno-ban-bench-" + std::to_string(::getpid()) + ".txt")) {
        std::ofstream file(path_, std::ios::binary);
        for (std::size_t i = 0; i < kPatterns; ++i) {
            file << Pattern(i) << "\r\n";
        }
    }
    ~BanFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

void BM_BanCheck(benchmark::State& state) {
    BanFile file;
    BanList bans;
    bans.LoadBanList(file.path());
    const std::vector<std::string> joins = Joins();
    std::vector<std::string> one(1);
    std::size_t sent = 0;
    const auto send = [&sent](std::string_view) { ++sent; };
    double worstUs = 0;
    double worstCpuUs = 0;
    for (auto _ : state) {
        for (const std::string& name : joins) {
            one.front() = name;
            const double cpuStart = ThreadCpuUs();
            const auto start = std::chrono::steady_clock::now();
            bans.CheckBanList(one, send);
            const std::chrono::duration<double, std::micro> took =
                std::chrono::steady_clock::now() - start;
            worstUs = std::max(worstUs, took.count());
            worstCpuUs = std::max(worstCpuUs, ThreadCpuUs() - cpuStart);
        }
    }
    benchmark::DoNotOptimize(sent);
    state.counters["joins_per_s"] = benchmark::Counter(
        static_cast<double>(kJoins), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["worst_join_us"] = worstUs;
    state.counters["worst_join_cpu_us"] = worstCpuUs;
    state.counters["bans_per_run"] =
        static_cast<double>(sent) / static_cast<double>(state.iterations());
}

// One join whose name is a run of 4096 "a" against all patterns: with a backtracking
// matcher the star patterns alone would take longer than the universe has left.
void BM_LongNameJoin(benchmark::State& state) {
    BanFile file;
    BanList bans;
    bans.LoadBanList(file.path());
    const std::vector<std::string> one{std::string(4096, 'a')};
    std::size_t sent = 0;
    for (auto _ : state) {
        bans.CheckBanList(one, [&sent](std::string_view) { ++sent; });
    }
    benchmark::DoNotOptimize(sent);
}

BENCHMARK(BM_BanCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongNameJoin)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varno

BENCHMARK_MAIN();
