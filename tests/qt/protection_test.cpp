#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "client/client.h"
#include "support/client_fixture.h"
#include "ui/moderation_window.h"

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

    // Opens the Moderation window (or brings it to the front) on the page of this name.
    QWidget* page(const char* name) {
        f.window().mnuModeration_Click();
        auto* shown = f.window().moderationWindow()->findChild<QWidget*>(name);
        f.window().moderationWindow()->pages()->setCurrentWidget(shown);
        return shown;
    }

    QString shot(const char* page) {
        const QString edition = GetParam()->tray ? "2.00" : "2.01";
        QDir().mkpath(VARNO_SHOTS);
        const QString path = QString(VARNO_SHOTS) + "/moderation-" + page + "-" + edition + ".png";
        f.window().moderationWindow()->grab().save(path);
        return path;
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

// The same lists and rules through the Moderation window.
TEST_P(ProtectionE2eTest, TheModerationWindowsListsTakeTheChannelCommandsPath) {
    ASSERT_TRUE(Start(""));
    f.server().send("1001 USER trollX 0010 [CHAT]\r\n1001 USER Innocent 0010 [CHAT]\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil(
        [&] { return f.window().client().roster().findExact("Innocent").has_value(); }));
    QWidget* bans = page("banListPage");
    const ModerationWindow* window = f.window().moderationWindow();
    page("rulesPage");
    EXPECT_EQ(f.window().moderationWindow(), window) << "one window, brought to the front";
    EXPECT_EQ(f.server().received(), test::kAliceLogin) << "opening it sends nothing";

    auto* box = bans->findChild<QLineEdit*>("addBox");
    QTest::keyClicks(box, "troll*");
    QTest::keyClick(box, Qt::Key_Return);
    // Once, even after the file watcher has read the file the edit wrote.
    EXPECT_EQ(sentAfterLogin("/ban trollX boo\r\n", 1500), "/ban trollX boo\r\n");
    GatewayServer::waitUntil([] { return false; }, 600);
    EXPECT_EQ(f.server().received().count("/ban"), 1);
    EXPECT_EQ(readFile("shitlist.txt"), "[clan]*\r\ntroll*\r\n");
    EXPECT_EQ(bans->findChild<QLabel*>("answer")->text(), "Added troll* to the ban list");
    EXPECT_TRUE(loggedInOrange("Added troll* to the ban list (Moderation window)"));

    // From the channel: the open window shows it within two seconds.
    auto* patterns = bans->findChild<QListWidget*>("patterns");
    f.server().send("1005 TALK Boss 0010 \"!shitlist add ghost*\"\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return patterns->count() == 3; }, 2000));
    EXPECT_EQ(patterns->item(2)->text(), "ghost*");
    EXPECT_EQ(bans->findChild<QLabel*>("count")->text(), "3 patterns");
    patterns->item(0)->setSelected(true);
    auto* test = bans->findChild<QLineEdit*>("testBox");
    QTest::keyClicks(test, "ghostly");
    QTest::keyClick(test, Qt::Key_Return);
    EXPECT_EQ(bans->findChild<QLabel*>("testAnswer")->text(),
              "ghostly matches ghost*: it would be banned");
    shot("ban-list");
    patterns->item(2)->setSelected(true);
    QTest::keyClick(patterns, Qt::Key_Delete);
    EXPECT_EQ(readFile("shitlist.txt"), "troll*\r\n");
    EXPECT_EQ(bans->findChild<QLabel*>("answer")->text(), "Removed 2 patterns from the ban list");
    EXPECT_EQ(patterns->count(), 1);

    auto* words = page("badWordsPage")->findChild<QLineEdit*>("addBox");
    QTest::keyClicks(words, "*darn*");
    QTest::keyClick(words, Qt::Key_Return);
    EXPECT_EQ(readFile("badwords.txt"), "*darn*\r\n");
    f.server().send("1005 TALK bob 0010 \"oh darn\"\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/kick bob language\r\n"));
    shot("banned-words");
}

TEST_P(ProtectionE2eTest, LiftNowSendsTheUnbanOnceAndTheBanLeavesOnceConfirmed) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    f.writeFile("bans.txt", "gone " + QByteArray::number(now + 600) + "\nstays " +
                                QByteArray::number(now + 7200) + "\n");
    ASSERT_TRUE(Start("BanMinutes=60\n"));
    f.server().answerModeration("");  // this test answers for the server
    QWidget* timed = page("timedBansPage");
    auto* bans = timed->findChild<QTreeWidget*>("timedBans");
    ASSERT_EQ(bans->topLevelItemCount(), 2);
    EXPECT_EQ(bans->topLevelItem(0)->text(0), "gone");
    EXPECT_TRUE(QRegularExpression("^(9 min [0-5]?[0-9] s|10 min 0 s)$")
                    .match(bans->topLevelItem(0)->text(1))
                    .hasMatch())
        << bans->topLevelItem(0)->text(1).toStdString();
    EXPECT_TRUE(bans->topLevelItem(1)->text(1).startsWith("1 h 59 min") ||
                bans->topLevelItem(1)->text(1) == "2 h 0 min");
    shot("timed-bans");

    bans->topLevelItem(0)->setSelected(true);
    auto* lift = timed->findChild<QPushButton*>("liftNow");
    QTest::mouseClick(lift, Qt::LeftButton);
    QTest::mouseClick(lift, Qt::LeftButton);
    EXPECT_EQ(sentAfterLogin("/unban gone\r\n"), "/unban gone\r\n");
    EXPECT_EQ(bans->topLevelItem(0)->text(1), "lifting");
    f.server().send("1018 INFO \"gone is no longer banned from this channel.\"\r\n");
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return bans->topLevelItemCount() == 1; }, 2000));
    EXPECT_EQ(bans->topLevelItem(0)->text(0), "stays");
    EXPECT_FALSE(readFile("bans.txt").contains("gone"));
    EXPECT_TRUE(loggedInOrange("Unbanned gone: lifted by the operator"));
}

TEST_P(ProtectionE2eTest, ApplyOnTheRulesPageTakesEffectWithoutARestart) {
    ASSERT_TRUE(Start(""));
    const QString ini = f.folder() + "/Varno.ini";
    namespace fs = std::filesystem;
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(ini.toStdString(), mode);
    QWidget* rules = page("rulesPage");
    auto* count = rules->findChild<QSpinBox*>("FloodLinesCount");
    EXPECT_EQ(count->text(), "off");
    count->setValue(2);
    rules->findChild<QSpinBox*>("FloodLinesSeconds")->setValue(60);
    rules->findChild<QCheckBox*>("BanOnEntry")->setChecked(false);
    QTest::mouseClick(rules->findChild<QPushButton*>("apply"), Qt::LeftButton);
    EXPECT_EQ(rules->findChild<QLabel*>("status")->text(), "Saved: FloodLines=2/60, BanOnEntry=0");
    const QByteArray written = readFile("Varno.ini");
    EXPECT_TRUE(written.contains("FloodLines=2/60") && written.contains("BanOnEntry=0") &&
                written.contains("Username=alice") && written.contains("Trigger=!"))
        << written.toStdString();
    EXPECT_EQ(fs::status(ini.toStdString()).permissions(), mode) << "mode kept";
    shot("rules");

    QByteArray flood;
    for (int i = 0; i < 3; ++i) {
        flood += "1005 TALK bob 0010 \"line " + QByteArray::number(i) + "\"\r\n";
    }
    f.server().send(flood);
    EXPECT_EQ(sentAfterLogin("/kick bob flooding\r\n"), "/kick bob flooding\r\n");
}

TEST_P(ProtectionE2eTest, ModerationZeroLeavesTheMenuAsItWas) {
    ASSERT_TRUE(Start("Moderation=0\n"));
    EXPECT_FALSE(f.window().findChild<QAction*>("mnuModeration")->isVisible());
}

VARNO_FOR_BOTH_EDITIONS(ProtectionE2eTest);

}  // namespace
}  // namespace varno
