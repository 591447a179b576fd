#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "client/client.h"
#include "support/client_fixture.h"

// The channel's protection rules end to end: a real window and socket against the scripted
// gateway, which records what the client sends.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class ProtectionE2eTest : public ::testing::TestWithParam<const Edition*> {
protected:
    ProtectionE2eTest() : f(*GetParam()) {}

    bool Start(const std::string& keys) {
        f.writeFile("shitlist.txt", "[clan]*\r\n");
        f.writeFile("database.txt", "Boss\r\n");
        if (!f.startLoggedIn("Trigger=!\n" + keys)) {
            return false;
        }
        f.server().answerModeration("alice");
        f.server().send("2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n");
        return !GetParam()->channelJoinedLine || f.waitForLog("Joined Channel: Lobby");
    }

    // Waits for the client to send waitFor, then gives everything it sent after the login.
    QByteArray sentAfterLogin(const QByteArray& waitFor, int ms = 5000) {
        GatewayServer::waitUntil([&] { return f.server().received().contains(waitFor); }, ms);
        GatewayServer::waitUntil([] { return false; }, 200);  // and nothing more
        return f.server().received().mid(test::kAliceLogin.size());
    }

    // Whether the main log holds text in one orange run.
    bool loggedInOrange(const std::string& text) {
        for (const varno::Run& run : f.window().client().logs().main().runs()) {
            if (run.colour == colour::kOrange && run.text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    QByteArray readFile(const QString& name) {
        QFile file(f.folder() + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ClientFixture f;
};

TEST_P(ProtectionE2eTest, AFloodingUserIsKickedOnce) {
    ASSERT_TRUE(Start("FloodLines=3/60\n"));
    QByteArray flood;
    for (int i = 0; i < 8; ++i) {
        flood += "1005 TALK bob 0010 \"line " + QByteArray::number(i) + "\"\r\n";
    }
    f.server().send(flood + "1005 TALK Boss 0010 \"a\"\r\n1005 TALK Boss 0010 \"b\"\r\n" +
                    "1005 TALK Boss 0010 \"c\"\r\n1005 TALK Boss 0010 \"d\"\r\n");
    EXPECT_EQ(sentAfterLogin("/kick bob flooding\r\n"), "/kick bob flooding\r\n");
    EXPECT_TRUE(loggedInOrange("Kicked bob: flooding"));
    f.screenshot(QString("protection-flood-") + (GetParam()->tray ? "2.00" : "2.01"));
}

TEST_P(ProtectionE2eTest, ARepeatedLineIsKicked) {
    ASSERT_TRUE(Start("RepeatLines=3/60\n"));
    f.server().send(
        "1005 TALK bob 0010 \"buy gold\"\r\n1023 EMOTE bob 0010 \"hello\"\r\n"
        "1005 TALK bob 0010 \"BUY GOLD \"\r\n");
    EXPECT_FALSE(sentAfterLogin("/kick", 300).contains("/kick"));
    f.server().send("1023 EMOTE bob 0010 \"buy gold\"\r\n");
    EXPECT_EQ(sentAfterLogin("/kick bob repeating\r\n"), "/kick bob repeating\r\n");
    EXPECT_TRUE(loggedInOrange("Kicked bob: repeating"));
}

TEST_P(ProtectionE2eTest, AJoinFloodIsBanned) {
    ASSERT_TRUE(Start("JoinFlood=2/60\n"));
    f.server().send(
        "1002 JOIN eve 0010 [CHAT]\r\n1003 LEAVE eve 0010\r\n"
        "1002 JOIN eve 0010 [CHAT]\r\n1003 LEAVE eve 0010\r\n");
    EXPECT_FALSE(sentAfterLogin("/ban", 300).contains("/ban"));
    f.server().send("1002 JOIN Eve 0010 [CHAT]\r\n");
    EXPECT_EQ(sentAfterLogin("/ban Eve join flood\r\n"), "/ban Eve join flood\r\n");
    EXPECT_TRUE(loggedInOrange("Banned Eve: join flood"));
}

TEST_P(ProtectionE2eTest, ABannedWordIsKickedButWhispersAreNeverChecked) {
    f.writeFile("badwords.txt", "*darn*\r\n");
    ASSERT_TRUE(Start(""));
    f.server().send("1004 WHISPER bob 0010 \"darn\"\r\n1005 TALK Boss 0010 \"darn\"\r\n");
    EXPECT_FALSE(sentAfterLogin("/kick", 300).contains("/kick"));
    f.server().send("1005 TALK bob 0010 \"oh DARN it\"\r\n");
    EXPECT_EQ(sentAfterLogin("/kick bob language\r\n"), "/kick bob language\r\n");
    EXPECT_TRUE(loggedInOrange("Kicked bob: language"));
}

TEST_P(ProtectionE2eTest, TimedBansAreRecordedAndLiftedWhenTheirTimeIsOver) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    f.writeFile("bans.txt", "gone 100\nsoon " + QByteArray::number(now + 2) + "\n");
    ASSERT_TRUE(Start("BanMinutes=1\n"));
    EXPECT_TRUE(f.server().waitForReceived("/unban gone\r\n", 3000));
    GatewayServer::waitUntil([&] { return loggedInOrange("Unbanned gone: ban time over"); });
    EXPECT_TRUE(loggedInOrange("Unbanned gone: ban time over"));
    EXPECT_TRUE(f.server().waitForReceived("/unban soon\r\n", 6000));

    f.server().send("1002 JOIN [Clan]Bob 0010 [CHAT]\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/ban [Clan]Bob boo\r\n"));
    GatewayServer::waitUntil([&] { return readFile("bans.txt").startsWith("[Clan]Bob "); });
    const QList<QByteArray> line = readFile("bans.txt").trimmed().split(' ');
    ASSERT_EQ(line.size(), 2);
    EXPECT_EQ(line[0], "[Clan]Bob");
    EXPECT_GE(line[1].toLongLong(), now + 60);
    EXPECT_LE(line[1].toLongLong(), QDateTime::currentSecsSinceEpoch() + 60);

    f.window().client().txtSend_Enter("/unban [clan]bob");
    // Forgotten once the server confirms the unban, which waits for room in the send window.
    GatewayServer::waitUntil([&] { return readFile("bans.txt").isEmpty(); }, 15000);
    EXPECT_EQ(readFile("bans.txt"), "") << "the operator's unban forgets the pending one";
}

TEST_P(ProtectionE2eTest, ShitlistAddBansAPresentMatchingUser) {
    ASSERT_TRUE(Start(""));
    f.server().send("1001 USER spammer1 0010 [CHAT]\r\n1001 USER Innocent 0010 [CHAT]\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil(
        [&] { return f.window().client().roster().findExact("Innocent").has_value(); }));
    f.server().send("1005 TALK Boss 0010 \"!shitlist add spam*\"\r\n");
    EXPECT_EQ(sentAfterLogin("/ban spammer1 boo\r\n"),
              "Added spam* to the ban list\r\n/ban spammer1 boo\r\n");
    EXPECT_EQ(readFile("shitlist.txt"), "[clan]*\r\nspam*\r\n");
    EXPECT_TRUE(loggedInOrange("Added spam* to the ban list (Boss)"));
    f.server().send("1005 TALK Boss 0010 \"!shitlist count\"\r\n");
    EXPECT_TRUE(f.server().waitForReceived("The ban list holds 2 patterns\r\n"));
}

VARNO_FOR_BOTH_EDITIONS(ProtectionE2eTest);

}  // namespace
}  // namespace varno
