// The find bar on a full main log (30,000 characters, the most the default auto-clear
// leaves): the time to go to the next match, and to mark every match as a word is typed,
// against a plain case-ignoring QString::indexOf over the same text (the floor).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QList>
#include <string>

#include "log/chat_log.h"
#include "ui/chat_log_view.h"
#include "ui/find_bar_view.h"

namespace varno {
namespace {

constexpr std::size_t kLogCharacters = 30000;
constexpr int kEveryNthLine = 25;  // lines that hold the word looked for

// A full log of talk lines, every 25th naming the word looked for.
struct FullLog {
    FullLog() {
        for (int i = 0; log.length() < kLogCharacters; ++i) {
            log.append(colour::kWhite, "[14:03:07] ");
            log.append(colour::kYellow, "<user" + std::to_string(i % 97) + "> ");
            log.append(colour::kWhite, std::string(i % kEveryNthLine == 0 ? "a Needle in " : "") +
                                           "the channel talks on, line " + std::to_string(i) +
                                           "\r\n");
        }
        view.resize(440, 345);
        QApplication::processEvents();
        text = view.document()->toPlainText();
    }

    ChatLog log;
    ChatLogView view{log};
    FindBar bar{QList<ChatLogView*>{&view}};
    QString text;
};

FullLog& Log() {
    static FullLog full;
    return full;
}

void BM_FindNext(benchmark::State& state) {
    FullLog& full = Log();
    full.bar.input()->setText("needle");
    for (auto _ : state) {
        full.bar.next();
    }
    state.counters["matches"] = full.view.matchCount();
    state.counters["characters"] = static_cast<double>(full.text.size());
}

void BM_FindAll(benchmark::State& state) {
    FullLog& full = Log();
    for (auto _ : state) {
        benchmark::DoNotOptimize(full.view.findAll("needle"));
    }
    state.counters["matches"] = full.view.matchCount();
    state.counters["characters"] = static_cast<double>(full.text.size());
}

// The floor: one case-ignoring search through the whole text.
void BM_IndexOf(benchmark::State& state) {
    FullLog& full = Log();
    qsizetype matches = 0;
    for (auto _ : state) {
        matches = 0;
        for (qsizetype at = full.text.indexOf("needle", 0, Qt::CaseInsensitive); at >= 0;
             at = full.text.indexOf("needle", at + 6, Qt::CaseInsensitive)) {
            ++matches;
        }
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.counters["characters"] = static_cast<double>(full.text.size());
}

BENCHMARK(BM_IndexOf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNext)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAll)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
