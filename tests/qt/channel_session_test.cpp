#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include "channel/roster_view.h"
#include "client/client.h"
#include "support/client_fixture.h"

namespace varno {
namespace {

using test::ClientFixture;

// A channel as a real gateway shows it: the channel, five users present, then a join,
// talk, an emote, whispers both ways, a leave, an information and an error line.
const QByteArray kSession =
    "2010 NAME alice\r\n"
    "1007 CHANNEL \"Lobby\"\r\n"
    "1001 USER alice 0010 [CHAT]\r\n"
    "1001 USER Op 0002 [STAR]\r\n"
    "1001 USER Quiet 0020 [SEXP]\r\n"
    "1001 USER Staffer 0001 [W2BN]\r\n"
    "1001 USER Gamer 0010 [D2XP]\r\n"
    "1002 JOIN bob 0010 [JSTR]\r\n"
    "1005 TALK bob 0010 \"hi there\"\r\n"
    "1023 EMOTE Gamer 0010 \"dances\"\r\n"
    "1004 WHISPER bob 0010 \"psst\"\r\n"
    "1010 WHISPER bob 0010 \"hello back\"\r\n"
    "1003 LEAVE Staffer 0001\r\n"
    "1018 INFO \"Welcome to Lobby\"\r\n"
    "1019 ERROR \"That user is not logged on.\"\r\n";

class ChannelSessionTest : public ::testing::TestWithParam<const Edition*> {
protected:
    ChannelSessionTest() : f(*GetParam()) {}

    void SetUp() override {
        ASSERT_TRUE(f.startLoggedIn());
        f.server().send(kSession);
        ASSERT_TRUE(f.waitForLog("That user is not logged on."));
    }

    QStringList listedNames() {
        QStringList names;
        auto* model = f.window().lusers()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            names << model->index(row, 0).data().toString();
        }
        return names;
    }

    ClientFixture f;
};

TEST_P(ChannelSessionTest, ListFollowsTheChannel) {
    EXPECT_EQ(listedNames(), (QStringList{"alice", "Op", "Quiet", "Gamer", "bob"}));
    EXPECT_EQ(f.window().label1()->text(), "Lobby");
    EXPECT_EQ(f.window().lusers()->model()->headerData(0, Qt::Horizontal).toString(), "Lobby");
    const Roster& roster = f.window().client().roster();
    const std::vector<int> icons = {2, 1, 13, 12, 11};
    for (std::size_t i = 0; i < icons.size(); ++i) {
        EXPECT_EQ(roster.at(i).icon, icons[i]) << roster.at(i).text;
    }
    f.screenshot(QString("channel-session-") + (GetParam()->tray ? "2.00" : "2.01"));
}

TEST_P(ChannelSessionTest, LogsShowEveryEventInTheEditionsForm) {
    const std::string main = f.mainLog();
    const bool full = !GetParam()->singleRunLines;
    for (const char* line : {"Op is here using [STAR]", "bob has joined the channel",
                             "Staffer has left the channel", "Welcome to Lobby"}) {
        EXPECT_NE(main.find(line), std::string::npos) << line;
    }
    EXPECT_NE(main.find(full ? "<bob> hi there" : "bob: hi there"), std::string::npos);
    EXPECT_NE(main.find("Gamer: dances"), std::string::npos);
    EXPECT_EQ(main.find("Joined Channel: Lobby") != std::string::npos, full);
    const std::string whispers = full ? f.whisperLog() : main;
    EXPECT_NE(whispers.find("From bob: psst"), std::string::npos);
    EXPECT_NE(whispers.find("To bob: hello back"), std::string::npos);
    if (full) {
        EXPECT_EQ(main.find("psst"), std::string::npos) << "whispers stay in their own log";
    }
}

TEST_P(ChannelSessionTest, DoubleClickAppendsTheNameToTheInputLine) {
    f.window().txtSend()->setText("/w ");
    RosterView* list = f.window().lusers();
    const QRect row = list->visualRect(list->model()->index(4, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(f.window().txtSend()->text(), "/w bob");
}

TEST_P(ChannelSessionTest, DisconnectEmptiesTheList) {
    f.window().client().mnuDisconnect_Click();
    EXPECT_TRUE(listedNames().isEmpty());
    EXPECT_EQ(f.window().label1()->text(), "<Disconnected>");
}

VARNO_FOR_BOTH_EDITIONS(ChannelSessionTest);

}  // namespace
}  // namespace varno
