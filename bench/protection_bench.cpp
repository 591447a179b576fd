// The channel's protection rules at scale, as lines per second:
//   BM_WordCheck:    1,000 banned-word patterns against 100,000 talk lines;
//   BM_CountingRules: flood, repeat and join-flood counting with 10,000 users present, each
//                    line from the next user in turn, a join every tenth line and the once-a-
//                    second forgetting between them, over a simulated clock.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/session.h"
#include "moderation/ban_list.h"
#include "moderation/channel_guard.h"

namespace varno {
namespace {

constexpr std::size_t kPatterns = 1000;
constexpr std::size_t kLines = 100000;
constexpr std::size_t kUsers = 10000;

std::vector<std::string> TalkLines() {
    std::vector<std::string> lines;
    lines.reserve(kLines);
    for (std::size_t i = 0; i < kLines; ++i) {
        lines.push_back(bench::TalkText(i));
    }
    return lines;
}

void BM_WordCheck(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("varno-words-bench-" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << bench::WordList(kPatterns);
    BanList words;
    words.ReloadBanList(path.string());
    std::filesystem::remove(path);
    const std::vector<std::string> lines = TalkLines();
    std::size_t matched = 0;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            matched += words.MatchesAny(line) ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(matched);
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["patterns"] = static_cast<double>(words.patterns().size());
    state.counters["matched_per_run"] =
        static_cast<double>(matched) / static_cast<double>(state.iterations());
}

void BM_CountingRules(benchmark::State& state) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kUsers; ++i) {
        names.push_back(bench::UserName(i));
    }
    const std::vector<std::string> lines = TalkLines();
    std::size_t verdicts = 0;
    std::size_t tracked = 0;
    std::int64_t nowMs = 0;
    for (auto _ : state) {
        ChannelGuard guard;
        guard.setRules({RateLimit{6, 5}, RateLimit{3, 10}, RateLimit{3, 20}});
        for (std::size_t i = 0; i < kLines; ++i) {
            nowMs += 1;  // a thousand lines a second
            const std::string& name = names[i % kUsers];
            if (guard.OnLine(name, lines[i], false, nowMs) != ChannelGuard::Verdict::None) {
                ++verdicts;
            }
            if (i % 10 == 0 && guard.OnJoin(name, nowMs) != ChannelGuard::Verdict::None) {
                ++verdicts;
            }
            if (nowMs % 1000 == 0) {
                guard.Forget(nowMs);
            }
        }
        tracked = guard.tracked();
    }
    benchmark::DoNotOptimize(verdicts);
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["users_tracked_at_end"] = static_cast<double>(tracked);
}

BENCHMARK(BM_WordCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountingRules)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varno

BENCHMARK_MAIN();
