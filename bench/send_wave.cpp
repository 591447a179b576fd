// A wave of listed joins against a gateway that punishes floods: Varno1's window, logged in
// to a gateway with the flood rule (on a thread of its own), gets 50 joins of users on its
// ban list in one read and bans them all at the pace its keys allow.
//
// Prints, one per line:
//   clear_ms:           from the wave leaving the gateway to the last ban reaching it;
//   limit_ms:           the least time the same keys allow: the quota's worth of bans at once,
//                       then the next quota's worth a window later, and so on;
//   ratio:              clear_ms / limit_ms (target <= 1.05);
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

#include "support/client_fixture.h"
#include "support/flood_gateway.h"

namespace varno {
namespace {

constexpr int kWave = 50;
constexpr int kQuota = 4;

int Measure(int windowMs) {
    test::FloodGateway gateway(test::OwnLoopbackAddress(),
                               {.windowMs = windowMs, .quota = kQuota, .closeAt = 10});
    if (!gateway.listen()) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(gateway.host()));
        return 1;
    }
    test::ClientFixture f(Edition::v201(), 1);
    f.writeFile("shitlist.txt", "spam*\r\n");
    f.writeSettings("Server=" + gateway.host().toStdString() + "\n" + test::kAliceSettings +
                    "SendQuota=" + std::to_string(kQuota) +
                    "\nSendWindow=" + std::to_string(windowMs) + "\n");
    f.start();
    if (!gateway.waitForReceived(test::kAliceLogin)) {
        std::fprintf(stderr, "no login\n");
        return 1;
    }
    // The login's channel line leaves the window before the wave comes.
    test::GatewayServer::waitUntil([] { return false; }, windowMs * 2);

    QByteArray wave;
    QByteArray lastBan;
    for (int i = 1; i <= kWave; ++i) {
        wave += "1002 JOIN spam" + QByteArray::number(i) + " 0010 [CHAT]\r\n";
        lastBan = "/ban spam" + QByteArray::number(i) + " boo\r\n";
    }
    QElapsedTimer clock;
    clock.start();
    gateway.send(wave);
    const bool cleared = test::GatewayServer::waitUntil(
        [&] { return gateway.received().contains(lastBan); }, windowMs * (kWave + 10));
    const double clearMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!cleared) {
        std::fprintf(stderr, "the wave was not cleared\n");
        return 1;
    }
    const int limitMs = ((kWave + kQuota - 1) / kQuota - 1) * windowMs;
    std::printf("wave clear_ms %.0f\n", clearMs);
    std::printf("wave limit_ms %d\n", limitMs);
    std::printf("wave ratio %.3f\n", clearMs / limitMs);
    std::printf("wave worst_window_units %d\n", gateway.worstWindowUnits());
    std::printf("wave quota %d\n", kQuota);
    std::printf("wave dropped_lines %d\n", gateway.droppedLines());
    std::printf("wave flood_closes %d\n", gateway.floodCloses());
    return 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int windowMs = argc > 1 ? std::atoi(argv[1]) : 500;
    return varno::Measure(windowMs > 0 ? windowMs : 500);
}
