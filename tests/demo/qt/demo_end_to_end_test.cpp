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

}  // namespace
}  // namespace varno
