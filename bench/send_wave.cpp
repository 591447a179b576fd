// A wave of listed joins against a gateway that punishes floods and loses bans: Varno1's
// window, logged in to a gateway with the flood rule (on a thread of its own) that answers
// bans as a real one and silently loses every 5th, sends its idle emote and then gets 50
// joins of users on its ban list in one read.
//
// Prints, one per line:
//   clear_ms:           from the wave leaving the gateway to the 50th ban confirmed;
//   limit_ms:           the least time the quota allows for the emote and the 50 bans: the
//                       quota's worth of units at once, the next a window later, and so on;
//   ratio:              clear_ms / limit_ms (target <= 1.3);
//   deeds_intended, deeds_confirmed, deeds_lost: bans meant, confirmed by the gateway's
//                       reply, and never done (must be 0);
//   lost_by_gateway:    ban lines the gateway lost on purpose;
//   worst_window_units: the most units the gateway counted in one window (must be <= quota);
//   quota, dropped_lines, flood_closes: the quota, and what the gateway held against the
//                       client (both must be 0).
//
// Usage: send_wave [window-ms]   (default 500, the rule of a real gateway scaled down tenfold)

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/flood_gateway.h"

namespace varno {
namespace {

constexpr int kWave = 50;
constexpr int kQuota = 4;

int Measure(int windowMs) {
    test::FloodGateway gateway(test::OwnLoopbackAddress(), {.windowMs = windowMs,
                                                            .quota = kQuota,
                                                            .closeAt = 10,
                                                            .answerModeration = true,
                                                            .loseEveryNthModeration = 5});
    if (!gateway.listen()) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(gateway.host()));
        return 1;
    }
    test::ClientFixture f(Edition::v201(), 1);
    f.writeFile("shitlist.txt", "spam*\r\n");
    f.writeSettings("Server=" + gateway.host().toStdString() + "\n" + test::kAliceSettings +
                    "SendQuota=" + std::to_string(kQuota) +
                    "\nSendWindow=" + std::to_string(windowMs) + "\nIdle=is keeping watch\n");
    f.start();
    if (!gateway.waitForReceived(test::kAliceLogin)) {
        std::fprintf(stderr, "no login\n");
        return 1;
    }
    // The login's channel line leaves the window before the wave comes.
    test::GatewayServer::waitUntil([] { return false; }, windowMs * 2);

    QByteArray wave;
    for (int i = 1; i <= kWave; ++i) {
        wave += "1002 JOIN spam" + QByteArray::number(i) + " 0010 [CHAT]\r\n";
    }
    // The idle emote goes just before the wave: the 30th tick of its timer.
    for (int tick = 0; tick < 30; ++tick) {
        f.window().client().Timer2_Timer();
    }
    const int emoteUnits =
        static_cast<int>(SendQueue::LineUnits("/me is keeping watch - Varno 2.01"));
    QElapsedTimer clock;
    clock.start();
    gateway.send(wave);
    const bool cleared = test::GatewayServer::waitUntil(
        [&] { return gateway.bans().size() == kWave; }, windowMs * (kWave + 10) + 20000);
    const double clearMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!cleared) {
        std::fprintf(stderr, "the wave was not cleared\n");
    }
    // Late retries and answers have their time before the deeds are counted.
    test::GatewayServer::waitUntil([] { return false; }, windowMs + 3000);
    int confirmed = 0;
    for (const Run& run : f.window().client().logs().main().runs()) {
        confirmed += run.text.find(" has been banned by alice (boo).") != std::string::npos;
    }
    const int limitMs = ((kWave + emoteUnits + kQuota - 1) / kQuota - 1) * windowMs;
    std::printf("wave clear_ms %.0f\n", clearMs);
    std::printf("wave limit_ms %d\n", limitMs);
    std::printf("wave ratio %.3f\n", clearMs / limitMs);
    std::printf("wave deeds_intended %d\n", kWave);
    std::printf("wave deeds_confirmed %d\n", confirmed);
    std::printf("wave deeds_lost %d\n", kWave - static_cast<int>(gateway.bans().size()));
    std::printf("wave lost_by_gateway %d\n", gateway.lostModeration());
    std::printf("wave worst_window_units %d\n", gateway.worstWindowUnits());
    std::printf("wave quota %d\n", kQuota);
    std::printf("wave dropped_lines %d\n", gateway.droppedLines());
    std::printf("wave flood_closes %d\n", gateway.floodCloses());
    return cleared ? 0 : 1;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int windowMs = argc > 1 ? std::atoi(argv[1]) : 500;
    return varno::Measure(windowMs > 0 ? windowMs : 500);
}
