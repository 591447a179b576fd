#include <gtest/gtest.h>

#include <cstdlib>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/process_stats.h"

// A bot left running: the server drops it again and again, and every drop must cost the same
// as the first ones: no descriptor, memory or CPU left behind.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;
using test::ProcessStats;

// 1000 cycles in the shipping build; fewer under the sanitizers, which slow every cycle.
// VARNO_SOAK_CYCLES overrides both.
int Cycles() {
    if (const char* env = std::getenv("VARNO_SOAK_CYCLES")) {
        return std::max(20, std::atoi(env));
    }
    return test::UnderSanitizer() ? 200 : 1000;
}

class SoakTest : public ::testing::TestWithParam<const Edition*> {
protected:
    SoakTest() : f(*GetParam()) {}

    // The server lets the client log in and in (an event line it has shown), then drops
    // it: closed or reset in turn.
    bool cycle(int number) {
        if (!f.server().waitForConnections(number) ||
            !f.server().waitForReceived(test::kAliceLogin)) {
            return false;
        }
        const std::string welcome = "welcome " + std::to_string(number);
        f.server().send(QByteArray::fromStdString("1018 INFO \"" + welcome + "\"\r\n"));
        if (!f.waitForLog(welcome)) {
            return false;
        }
        if (number % 2 == 0) {
            f.server().resetConnection();
        } else {
            f.server().closeConnection();
        }
        return true;
    }

    ClientFixture f;
};

TEST_P(SoakTest, ThousandDropsLeaveNoDescriptorMemoryOrCpuBehind) {
    const int cycles = Cycles();
    ASSERT_TRUE(f.server().listen());
    // Drops as fast as the server can make them: no wait between sessions.
    f.writeSettings(std::string(test::kAliceSettings) + "Clear=20000\nBackoff=0\n");
    f.start();

    constexpr int kWarmUp = 10;
    for (int n = 1; n <= kWarmUp; ++n) {
        ASSERT_TRUE(cycle(n)) << "cycle " << n;
    }
    const ProcessStats early = ProcessStats::Now();
    const double startCpu = early.cpuSeconds;
    for (int n = kWarmUp + 1; n <= cycles; ++n) {
        ASSERT_TRUE(cycle(n)) << "cycle " << n;
    }
    ASSERT_TRUE(f.server().waitForConnections(cycles + 1));
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
    // Let deferred deletions and the reconnect timer settle, as an idle event loop would.
    GatewayServer::waitUntil([] { return false; }, 1500);
    const ProcessStats late = ProcessStats::Now();

    // One connect per drop: no attempt beyond those that were needed.
    EXPECT_EQ(f.server().connectionCount(), cycles + 1);
    EXPECT_LE(late.openFiles, early.openFiles + 2);
    if (!test::UnderSanitizer()) {
        // The sanitizer's quarantine holds freed memory; it checks leaks itself instead.
        EXPECT_LE(late.residentBytes, early.residentBytes + 8u * 1024 * 1024);
    }
    // No spin between cycles: the CPU time of a cycle stays that of a connect and a login,
    // a few milliseconds, whatever the number of cycles before it.
    const double perCycle = (late.cpuSeconds - startCpu) / (cycles - kWarmUp);
    EXPECT_LT(perCycle, 0.05);
    EXPECT_LE(f.window().client().logs().main().length(), 30000u + 200u);
}

TEST_P(SoakTest, AConnectedClientIdlesWithoutSpinning) {
    ASSERT_TRUE(f.server().listen());
    f.writeSettings("Username=alice\nPassword=pw\nHome=Lobby\nDelay=100\n");
    f.start();
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
    const ProcessStats before = ProcessStats::Now();
    GatewayServer::waitUntil([] { return false; }, 2000);
    const ProcessStats after = ProcessStats::Now();
    // Idle, the program wakes only for its timers; a spinning loop would use the whole two
    // seconds of CPU time.
    EXPECT_LT(after.cpuSeconds - before.cpuSeconds, 1.0);
    EXPECT_EQ(f.server().connectionCount(), 1);
}

VARNO_FOR_BOTH_EDITIONS(SoakTest);

}  // namespace
}  // namespace varno
