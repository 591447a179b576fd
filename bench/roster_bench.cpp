// A big channel floods the user list: n users arrive (event 1001) and then leave (1003),
// each through the channel handlers, so the roster, the chat log, the list model and a
// shown list view all take part. Time per user should stay flat as n grows; the core alone
// (no model, no view) is measured as the floor.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "base/edition.h"
#include "channel/channel_events.h"
#include "channel/roster_view.h"
#include "connection/settings.h"

namespace varno {
namespace {

// Lines handled per data arrival; the event loop runs between arrivals.
constexpr int kLinesPerBlock = 50;

class NullPort : public ChannelPort {
public:
    void setChannelLabel(std::string_view) override {}
    bool HandleCommand(std::string_view, std::string_view) override { return false; }
    void LoadDatabase() override {}
    void setOwnName(std::string_view) override {}
    bool CheckTalk(std::string_view, std::string_view, std::string_view) override { return false; }
    void CheckJoin(std::string_view, std::string_view) override {}
    bool NamesOperator(std::string_view, std::string_view) override { return false; }
    void Whispered(std::string_view, std::string_view) override {}
    void Mentioned(std::string_view, std::string_view) override {}
};

struct Channel {
    explicit Channel(bool withView) {
        settings.Clear = "20000";
        if (withView) {
            view = std::make_unique<RosterView>(roster);
            view->resize(200, 600);
            view->show();
            QCoreApplication::processEvents();
        }
    }

    SystemClock clock;
    Settings settings;
    LogWriter writer{Edition::v201(), clock, settings.Clear};
    Roster roster;
    NullPort port;
    ChannelEvents events{Edition::v201(), writer, roster, port};
    std::unique_ptr<RosterView> view;
};

std::vector<std::string> Names(std::int64_t n) {
    std::vector<std::string> names;
    for (std::int64_t i = 0; i < n; ++i) {
        names.push_back("User" + std::to_string(i));
    }
    return names;
}

template <typename Event>
void Burst(const std::vector<std::string>& names, Event event) {
    int inBlock = 0;
    for (const std::string& name : names) {
        event(name);
        if (++inBlock == kLinesPerBlock) {
            QCoreApplication::processEvents();
            inBlock = 0;
        }
    }
    QCoreApplication::processEvents();
}

void Joins(Channel& channel, const std::vector<std::string>& names) {
    Burst(names,
          [&](const std::string& name) { channel.events.OnUserInChannel(name, "0010", "[STAR]"); });
}

void Leaves(Channel& channel, const std::vector<std::string>& names) {
    Burst(names, [&](const std::string& name) { channel.events.OnUserLeave(name, "0010"); });
}

void PerUser(benchmark::State& state) {
    state.counters["per_user"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Join(benchmark::State& state, bool withView) {
    const std::vector<std::string> names = Names(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto channel = std::make_unique<Channel>(withView);
        state.ResumeTiming();
        Joins(*channel, names);
        state.PauseTiming();
        channel.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    PerUser(state);
}

void Leave(benchmark::State& state, bool withView) {
    const std::vector<std::string> names = Names(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto channel = std::make_unique<Channel>(withView);
        Joins(*channel, names);
        state.ResumeTiming();
        Leaves(*channel, names);
        state.PauseTiming();
        channel.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    PerUser(state);
}

void BM_JoinCore(benchmark::State& state) {
    Join(state, false);
}
void BM_JoinShown(benchmark::State& state) {
    Join(state, true);
}
void BM_LeaveCore(benchmark::State& state) {
    Leave(state, false);
}
void BM_LeaveShown(benchmark::State& state) {
    Leave(state, true);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_JoinCore)->Apply(Sizes);
BENCHMARK(BM_JoinShown)->Apply(Sizes);
BENCHMARK(BM_LeaveCore)->Apply(Sizes);
BENCHMARK(BM_LeaveShown)->Apply(Sizes);

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
