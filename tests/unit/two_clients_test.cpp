#include <gtest/gtest.h>

#include "support/client_rig.h"

// Two clients in one process, as two profiles of one window are: nothing one of them is told
// reaches the other.
namespace varno {
namespace {

TEST(TwoClients, NothingOfOneReachesTheOther) {
    const std::string ini = "[Varno]\nUsername=alice\nServer=127.0.0.1\nHome=Lobby\n";
    test::ClientRig a({{"Varno.ini", ini}, {"shitlist.txt", "spam*\n"}});
    test::ClientRig b({{"Varno.ini", ini}, {"shitlist.txt", "troll*\n"}});
    for (test::ClientRig* rig : {&a, &b}) {
        rig->link.connectNow();
        rig->client->sck_connect();
    }
    a.client->sck_dataarrival(
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1002 JOIN spammer 0010 [CHAT]\r\n"
        "1002 JOIN troller 0010 [CHAT]\r\n1004 WHISPER bob 0010 \"psst\"\r\n");
    a.client->txtSend_Enter("hello");
    EXPECT_NE(a.link.allWritten().find("/ban spammer"), std::string::npos);
    EXPECT_EQ(a.link.allWritten().find("troller"), std::string::npos) << "a's list only";
    EXPECT_EQ(a.client->roster().size(), 2U);
    EXPECT_EQ(b.client->roster().size(), 0U);
    EXPECT_EQ(b.link.allWritten().find("/ban"), std::string::npos);
    EXPECT_EQ(b.link.allWritten().find("hello"), std::string::npos);
    EXPECT_EQ(b.client->logs().whisper().text().find("psst"), std::string::npos);
    EXPECT_EQ(b.client->attention().unseen(), 0);
    EXPECT_EQ(b.window.label, "<Disconnected>");
    EXPECT_EQ(a.window.label, "Lobby");
}

}  // namespace
}  // namespace varno
