#include <gtest/gtest.h>

#include <QFile>

#include "client/client.h"
#include "demo/demo_server_qtcore.h"
#include "support/client_fixture.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

QByteArray DemoFile(const char* name) {
    QFile f(QString(VARNO_DEMO_FILES) + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Varno1's window with the demo's files against the demo gateway: the cast fills the list and
// the first joiner who matches the ban list is banned by the bot.
TEST(DemoEndToEnd, LogsInListsTheCastAndBansTheFirstListedJoiner) {
    ClientFixture f(Edition::v201(), 43);
    demo::DemoServerOptions options;
    options.address = f.server().address();
    demo::DemoServer server(options);
    ASSERT_TRUE(server.listen());
    QByteArray ini = DemoFile("Varno.ini");
    ASSERT_TRUE(ini.contains("Server=127.0.0.1\n"));
    ini.replace("Server=127.0.0.1\n", "Server=" + f.server().host().toLatin1() + "\n");
    f.writeFile("Varno.ini", ini);
    f.writeFile("shitlist.txt", DemoFile("shitlist.txt"));
    f.writeFile("database.txt", DemoFile("database.txt"));
    f.start();

    const Roster& roster = f.window().client().roster();
    const auto listed = [&](const char* name) { return roster.findExact(name).has_value(); };
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return listed("operator"); }));
    EXPECT_EQ(server.model().channelOf(1), "Demo");
    // Each skip brings the next member of the cast.
    EXPECT_TRUE(GatewayServer::waitUntil([&] {
        server.skipAhead(500);
        return listed("boss") && listed("mira") && listed("kestrel") && listed("tobi") &&
               listed("quill");
    }));

    server.skipAhead(60000);  // the first joiner is due within a minute
    EXPECT_TRUE(f.waitForLog("has been banned by operator (boo)."));
    const std::string log = f.mainLog();
    const std::size_t banned = log.find(" has been banned by operator");
    const std::size_t start = log.rfind('\n', banned) + 1;
    const std::string name = log.substr(start, banned - start);
    EXPECT_TRUE(name.find("spam") != std::string::npos || name.ends_with("bot")) << log;
    EXPECT_NE(log.find("has joined the channel"), std::string::npos);
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !roster.findExact(name); }))
        << "the banned joiner left the list";
    f.screenshot("demo_end_to_end");
}

// The demo gateway refuses as a real one does, in its words: a ban of an administrator ends
// in one red line at once, its line sent once, not tried again until reported as silence.
TEST(DemoEndToEnd, ABanTheGatewayRefusesEndsAtOnceInItsWords) {
    ClientFixture f(Edition::v201(), 44);
    demo::DemoServerOptions options;
    options.address = f.server().address();
    options.gateway.admins = {"sysop"};
    demo::DemoServer server(options);
    ASSERT_TRUE(server.listen());
    QByteArray ini = DemoFile("Varno.ini");
    ini.replace("Server=127.0.0.1\n", "Server=" + f.server().host().toLatin1() + "\n");
    f.writeFile("Varno.ini", ini + "ProtectTrusted=0\nSendWindow=500\n");
    f.writeFile("shitlist.txt", "sys*\r\n");
    f.start();
    ASSERT_TRUE(f.waitForLog("Joined Channel: Demo"));

    const auto sysop = server.model().addSimulated("sysop", "[CHAT]");
    ASSERT_TRUE(sysop);
    server.model().actAs(*sysop, "/join Demo");
    ASSERT_TRUE(f.waitForLog("Could not ban sysop: You cannot ban administrators."));
    GatewayServer::waitUntil([] { return false; }, 3000);  // past the window and its grace
    const std::string log = f.mainLog();
    std::size_t told = 0;
    for (auto at = log.find("Could not ban"); at != std::string::npos;
         at = log.find("Could not ban", at + 1)) {
        ++told;
    }
    EXPECT_EQ(told, 1u) << log;
    EXPECT_EQ(log.find("You cannot ban administrators.\r\n", log.find("Could not ban") + 40),
              std::string::npos)
        << "the server's own line is not shown besides";
    EXPECT_EQ(f.window().client().protection().deeds().open(), 0u);
    EXPECT_EQ(server.model().channelOf(*sysop), "Demo") << "sysop stays";
}

}  // namespace
}  // namespace varno
