// A recorded-looking channel session (100,000 lines of talk, emotes, joins and leaves) goes
// through the client's data-arrival path: framing, dispatch, the handlers, the roster, the
// chat-log model with its auto-clear, the ban check and the once-a-second tick, with no view. The
// floor, in the same binary, only splits the same bytes at CR LF and reads each line's code. The
// same session again with the four example scripts loaded, and the cost of one event into a script;
// and with the control socket's service, without a client and with one following every event.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "base/edition.h"
#include "bench/session.h"
#include "client/client.h"
#include "control/backlog.h"
#include "control/control_service.h"
#include "script/script_host.h"
#include "support/fake_script_ports.h"
#include "support/fakes.h"

namespace varno {
namespace {

constexpr std::size_t kPresent = 300;
constexpr std::size_t kLines = 100000;
constexpr std::size_t kRead = 4096;  // bytes per data arrival, as a socket hands them over
// The once-a-second tick comes every this many arrivals: about 1,000 lines a second, a
// channel busier than any, so that what scripts put off to the tick is counted too.
constexpr std::size_t kReadsPerTick = 12;

const std::string& Session() {
    static const std::string bytes = bench::ChannelSession(kPresent, kLines);
    return bytes;
}

// An application folder with the default settings and an auto-clear at 30000 characters;
// with scripts, the example scripts in its scripts folder and a trigger for their commands.
class AppFolder {
public:
    explicit AppFolder(bool scripts = false)
        : path_(std::filesystem::temp_directory_path() /
                ("varno-dispatch-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_ / "scripts");
        std::ofstream(path_ / "Varno.ini") << "[Varno]\nHome=Flood\nUsername=bench\nClear=30000\n"
                                           << (scripts ? "Scripts=scripts\nTrigger=!\n" : "");
        for (const char* name : {"greet.lua", "seen.lua", "lockdown.lua", "productban.lua"}) {
            if (scripts) {
                std::filesystem::copy_file(std::filesystem::path(VARNO_EXAMPLES) / name,
                                           path_ / "scripts" / name);
            }
        }
    }
    ~AppFolder() { std::filesystem::remove_all(path_); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

void Lines(benchmark::State& state) {
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Floor(benchmark::State& state) {
    const std::string_view bytes = Session();
    for (auto _ : state) {
        unsigned sum = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = bytes.find("\r\n", at);
            if (end == std::string_view::npos) {
                break;
            }
            unsigned code = 0;
            for (std::size_t i = at; i < at + 4 && i < end; ++i) {
                code = code * 10 + static_cast<unsigned>(bytes[i] - '0');
            }
            sum += code;
            at = end + 2;
        }
        benchmark::DoNotOptimize(sum);
    }
    Lines(state);
}

void Dispatch(benchmark::State& state, const Edition& edition, bool scripts = false) {
    AppFolder folder(scripts);
    test::FakeLink link;
    test::FakeTimer r;
    test::FakeTimer retry;
    test::FakeTimer send;
    SystemClock clock;
    test::FakeWindow window;
    Client client(edition, folder.path(), Client::Ports{link, r, retry, send, clock, window});
    client.Form_Load();
    const std::string_view bytes = Session();
    for (auto _ : state) {
        for (std::size_t at = 0, reads = 0; at < bytes.size(); at += kRead) {
            client.sck_dataarrival(bytes.substr(at, kRead));
            if (++reads % kReadsPerTick == 0) {
                client.Timer1_Timer();
            }
        }
    }
    benchmark::DoNotOptimize(client.logs().main().length());
    Lines(state);
}

// The same with the control socket's service and its backlog of 1,000 lines, as VarnoBot runs
// it; follower: one client subscribed to every event, whose waiting bytes the socket takes
// at every read, as a client that keeps up would.
void DispatchWithControl(benchmark::State& state, bool follower) {
    AppFolder folder;
    test::FakeLink link;
    test::FakeTimer r;
    test::FakeTimer retry;
    test::FakeTimer send;
    SystemClock clock;
    test::FakeWindow window;
    Client client(Edition::v201(), folder.path(),
                  Client::Ports{link, r, retry, send, clock, window});
    Backlog backlog;
    client.logs().addSink(backlog);
    ControlService service(client, backlog, Hello{}, {});
    std::string refusal;
    const int id = *service.Open(refusal);
    if (follower) {
        service.Read(id, "{\"id\":1,\"command\":\"subscribe\"}\n");
    }
    client.Form_Load();
    const std::string_view bytes = Session();
    std::size_t taken = 0;
    for (auto _ : state) {
        for (std::size_t at = 0, reads = 0; at < bytes.size(); at += kRead) {
            client.sck_dataarrival(bytes.substr(at, kRead));
            taken += service.waiting(id).size();
            service.Wrote(id, service.waiting(id).size());
            if (++reads % kReadsPerTick == 0) {
                client.Timer1_Timer();
                service.Tick();
            }
        }
    }
    benchmark::DoNotOptimize(taken);
    client.logs().removeSink(backlog);
    Lines(state);
}

void BM_Dispatch201Control(benchmark::State& state) {
    DispatchWithControl(state, false);
}
void BM_Dispatch201Follower(benchmark::State& state) {
    DispatchWithControl(state, true);
}

void BM_Dispatch201(benchmark::State& state) {
    Dispatch(state, Edition::v201());
}
void BM_Dispatch200(benchmark::State& state) {
    Dispatch(state, Edition::v200());
}

void BM_Dispatch201Scripts(benchmark::State& state) {
    Dispatch(state, Edition::v201(), true);
}

// One talk line into one script that counts it.
void BM_ScriptEvent(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("varno-script-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "count.lua")
        << "local n = 0\nfunction on_talk(name, text) n = n + 1 end\n";
    test::FakeScriptPorts fake;
    {
        ScriptHost host(fake.ports());
        host.Load(folder.string(), true);
        for (auto _ : state) {
            host.Talk("bob", "hello there");
        }
    }
    std::filesystem::remove_all(folder);
    state.counters["us_per_event"] = benchmark::Counter(
        1e-6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dispatch201)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dispatch200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dispatch201Scripts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dispatch201Control)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dispatch201Follower)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptEvent)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varno

BENCHMARK_MAIN();
