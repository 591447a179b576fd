// A server that drops the client whenever a ban line arrives: Varno1's window logs in to a
// gateway (on a thread of its own) that names it and its channel after each login, answers
// as a real one, and closes the connection on every ban, kick or unban. One listed user joins;
// the bot's ban of it is the line that ends each session.
//
// Prints, one per line, for the span (default 60 s):
//   logins:    connections the client made (a client without backoff makes hundreds a second);
//   ban_lines: ban lines that reached the gateway (each one cost a connection);
//   told:      1 when the bot said in one red line that it gave the ban up, else 0.
//
// Usage: flapping [seconds]

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/flood_gateway.h"

namespace varno {
namespace {

int Measure(int seconds) {
    test::FloodGateway gateway(
        test::OwnLoopbackAddress(),
        {.windowMs = 500, .answerModeration = true, .closeOnModeration = true});
    if (!gateway.listen()) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(gateway.host()));
        return 1;
    }
    test::ClientFixture f(Edition::v201(), 1);
    f.writeFile("shitlist.txt", "spam*\r\n");
    f.writeSettings("Server=" + gateway.host().toStdString() + "\n" + test::kAliceSettings +
                    "SendWindow=500\n");
    f.start();
    if (!gateway.waitForReceived(test::kAliceLogin) || !f.waitForLog("Joined Channel: Lobby")) {
        std::fprintf(stderr, "no login\n");
        return 1;
    }
    gateway.send("1002 JOIN spam1 0010 [CHAT]\r\n");
    test::GatewayServer::waitUntil([] { return false; }, seconds * 1000);
    const bool told =
        f.mainLog().find("Could not ban spam1: the connection dropped each time it was sent") !=
        std::string::npos;
    std::printf("flapping logins %d\n", gateway.connectionCount());
    std::printf("flapping ban_lines %d\n", gateway.moderationLines());
    std::printf("flapping told %d\n", told ? 1 : 0);
    return 0;
}

}  // namespace
}  // namespace varno

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    return varno::Measure(seconds > 0 ? seconds : 60);
}
