#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QInputDialog>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/notification_bus.h"
#include "ui/profile_view.h"

// Several profiles in one window: each a client of its own against a gateway of its own,
// under a tab bar.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

const QByteArray kBotLogin = QByteArray("\x03") + "varnobot\r\npw\r\n/join Op Room\r\n";

// The settings of the profile "bot", logging in to server.
QByteArray BotSettings(const GatewayServer& server, const std::string& extra = "") {
    return QByteArray::fromStdString("[Varno]\nServer=" + server.host().toStdString() +
                                     "\nUsername=varnobot\nPassword=pw\nHome=Op Room\n"
                                     "Delay=1000\n" +
                                     extra);
}

// Every chat log file under a folder, one after the other.
QByteArray LogsUnder(const QString& folder) {
    QByteArray all;
    QDirIterator it(folder, {"*.log"}, QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) {
            all += f.readAll();
        }
    }
    return all;
}

std::string LogOf(ProfileView& view) {
    return view.client().logs().main().text() + view.client().logs().whisper().text();
}

class ProfilesTest : public ::testing::TestWithParam<const Edition*> {
protected:
    ProfilesTest() : f(*GetParam()), bots(test::OwnLoopbackAddress(61)) {}

    // alice in the first profile, varnobot in profiles/bot, both logged in.
    void StartBoth(const std::string& aliceExtra = "", const std::string& botExtra = "") {
        ASSERT_TRUE(bots.listen());
        f.writeFile("profiles/bot/Varno.ini", BotSettings(bots, botExtra));
        ASSERT_TRUE(f.startLoggedIn(aliceExtra));
        ASSERT_TRUE(bots.waitForReceived(kBotLogin, 15000));
    }
    MainWindow& w() { return f.window(); }

    ClientFixture f;
    GatewayServer bots;
};

TEST_P(ProfilesTest, EachProfileIsAClientOfItsOwnInATabOfItsOwn) {
    f.writeFile("shitlist.txt", "spam*\r\n");
    f.writeFile("profiles/bot/shitlist.txt", "troll*\r\n");
    StartBoth("LogFolder=logs\n", "LogFolder=logs\nSendQuota=x\n");
    ASSERT_EQ(w().profileCount(), 2U);
    ASSERT_NE(w().tabBar(), nullptr);
    EXPECT_TRUE(w().tabBar()->isVisible());
    ProfileView& alice = w().profile(0);
    ProfileView& bot = w().profile(1);
    EXPECT_EQ(&w().shown(), &alice) << "the first profile is shown at start";
    EXPECT_EQ(w().windowTitle(), "Varno 2.00 by Tamsel - Logged in as alice");

    // A damaged value is said in its own profile's tab only.
    const std::string unreadable = "Varno.ini: SendQuota = 'x' is not a number; using 4";
    EXPECT_NE(LogOf(bot).find(unreadable), std::string::npos);
    EXPECT_EQ(LogOf(alice).find(unreadable), std::string::npos);

    // Each bans from its own list, on its own connection.
    f.server().send(
        "1007 CHANNEL \"Lobby\"\r\n1002 JOIN spammer 0010 [CHAT]\r\n"
        "1002 JOIN troller 0010 [CHAT]\r\n");
    bots.send(
        "1007 CHANNEL \"Op Room\"\r\n1002 JOIN troller 0010 [CHAT]\r\n"
        "1002 JOIN spammer 0010 [CHAT]\r\n");
    ASSERT_TRUE(f.server().waitForReceived("/ban spammer"));
    ASSERT_TRUE(bots.waitForReceived("/ban troller"));
    GatewayServer::waitUntil([] { return false; }, 300);
    EXPECT_FALSE(f.server().received().contains("troller"));
    EXPECT_FALSE(bots.received().contains("spammer"));
    EXPECT_EQ(w().tabLabel(1)->text(), "varnobot \xc2\xb7 Op Room");
    EXPECT_EQ(w().tabLabel(0)->text(), "alice \xc2\xb7 Lobby");

    // A whisper to the hidden profile: in its tab, which it marks, and in its log on disk.
    bots.send("1004 WHISPER carol 0010 \"psst varnobot\"\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil(
        [&] { return LogOf(bot).find("psst varnobot") != std::string::npos; }));
    QApplication::processEvents();
    EXPECT_EQ(w().tabs().mark(1), TabMark::Mention);
    EXPECT_TRUE(w().tabLabel(1)->font().bold());
    EXPECT_EQ(w().tabLabel(1)->palette().color(QPalette::Window),
              QColor::fromRgb(colour::kMention));
    EXPECT_EQ(LogOf(alice).find("psst"), std::string::npos);
    f.server().send("1018 INFO \"news\"\r\n");
    ASSERT_TRUE(f.waitForLog("news"));
    EXPECT_EQ(w().tabs().mark(0), TabMark::None) << "the tab shown is not marked";
    f.screenshot(QString("profiles-") + (GetParam()->tray ? "2.00" : "2.01"));

    w().showProfile(1);
    EXPECT_EQ(w().tabs().mark(1), TabMark::None);
    EXPECT_FALSE(w().tabLabel(1)->font().bold());
    EXPECT_EQ(w().windowTitle(), "Varno 2.00 by Tamsel - Logged in as varnobot");
    EXPECT_EQ(w().label1()->text(), "Op Room") << "the accessors answer for the tab shown";

    const QByteArray botDisk = LogsUnder(f.folder() + "/profiles/bot/logs");
    const QByteArray aliceDisk = LogsUnder(f.folder() + "/logs");
    EXPECT_TRUE(botDisk.contains("From carol: psst varnobot") ||
                botDisk.contains("<From carol> psst varnobot"))
        << botDisk.toStdString();
    EXPECT_TRUE(botDisk.contains(QByteArray::fromStdString(unreadable)));
    EXPECT_FALSE(aliceDisk.contains("psst"));
    EXPECT_FALSE(aliceDisk.contains("profiles/bot"));
}

TEST_P(ProfilesTest, NewCloseAndOpenProfileAndTheOpenOnesComeBackAfterARestart) {
    ASSERT_TRUE(bots.listen());
    ASSERT_TRUE(f.startLoggedIn());
    EXPECT_EQ(w().tabBar(), nullptr) << "one profile: no tab bar";
    const QSize one = w().size();

    EXPECT_EQ(w().NewProfile("two words"), "A profile's name is 1 to 32 letters, digits, - and _");
    ASSERT_EQ(w().NewProfile("bot"), "");
    ASSERT_EQ(w().profileCount(), 2U);
    EXPECT_EQ(w().tabs().profile(w().tabs().shown()), "bot") << "the new profile is shown";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(f.folder() + "/profiles/bot").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700U);
    if (GetParam()->layoutSnapshot) {
        EXPECT_EQ(w().size(), one + QSize(0, w().tabBar()->sizeHint().height()));
    }

    // It asks for its settings as a first start does, and connects once Ok saved a server.
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return w().optionsDialog() != nullptr; }));
    OptionsDialog* dialog = w().optionsDialog();
    EXPECT_EQ(dialog->windowTitle(), "Varno Options \xc2\xb7 bot");
    for (const auto& [box, text] :
         std::vector<std::pair<const char*, QString>>{{"Username", "varnobot"},
                                                      {"Password", "pw"},
                                                      {"Home", "Op Room"},
                                                      {"Server", bots.host()}}) {
        dialog->box(box)->setText(text);
    }
    dialog->findChild<QPushButton*>("Command1")->click();
    ASSERT_TRUE(bots.waitForReceived(kBotLogin, 15000));

    // Close profile: the first has none; the tab goes, its connection ends, its folder stays.
    w().showProfile(0);
    EXPECT_FALSE(w().findChild<QAction*>("mnuCloseProfile")->isEnabled());
    w().mnuCloseProfile_Click();
    EXPECT_EQ(w().profileCount(), 2U);
    w().showProfile(1);
    w().mnuCloseProfile_Click();
    EXPECT_EQ(w().profileCount(), 1U);
    EXPECT_EQ(w().tabBar(), nullptr);
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !bots.connected(); }));
    EXPECT_EQ(w().size(), one) << "the window of one profile again";
    EXPECT_TRUE(QFile::exists(f.folder() + "/profiles/bot/Varno.ini"));

    f.start();  // a restart: the closed profile stays closed, and Open profile offers it
    EXPECT_EQ(w().profileCount(), 1U);
    QMenu* open = w().findChild<QMenu*>("mnuOpenProfile");
    ASSERT_EQ(open->actions().size(), 1);
    EXPECT_EQ(open->actions().front()->text(), "bot");
    open->actions().front()->trigger();
    ASSERT_EQ(w().profileCount(), 2U);
    EXPECT_TRUE(bots.waitForConnections(2, 15000));
    f.start();
    EXPECT_EQ(w().profileCount(), 2U) << "open again after a restart";
    EXPECT_TRUE(open = w().findChild<QMenu*>("mnuOpenProfile"));
    EXPECT_FALSE(open->isEnabled());
}

TEST_P(ProfilesTest, TheKeysGoFromTabToTabAndTabStillCompletesNames) {
    f.writeSettings("Username=alice\nDelay=1000\n");
    for (const char* name : {"b", "c"}) {
        f.writeFile(QString("profiles/%1/Varno.ini").arg(name),
                    "[Varno]\nUsername=x\nDelay=1000\n");
    }
    f.start();
    ASSERT_EQ(w().profileCount(), 3U);
    w().activateWindow();
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return w().isActiveWindow(); }));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::size_t shown;
    } steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_Tab, Qt::ControlModifier, 0},  // round
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
        {Qt::Key_1, Qt::AltModifier, 0},
        {Qt::Key_3, Qt::AltModifier, 2},
        {Qt::Key_4, Qt::AltModifier, 2},  // no fourth tab
        {Qt::Key_9, Qt::AltModifier, 2},
    };
    for (const auto& s : steps) {
        QTest::keyClick(w().txtSend(), s.key, s.modifiers);
        EXPECT_EQ(w().tabs().shown(), s.shown) << s.key;
        EXPECT_TRUE(w().txtSend()->hasFocus()) << "the input line of the tab shown";
    }
    // Tab alone completes a name of this tab's users.
    w().client().sck_dataarrival("1001 USER carol 0010 [CHAT]\r\n");
    w().txtSend()->setText("ca");
    QTest::keyClick(w().txtSend(), Qt::Key_Tab);
    EXPECT_EQ(w().txtSend()->text(), "carol");
    EXPECT_EQ(w().tabs().shown(), 2U);
}

TEST_P(ProfilesTest, ANotificationNamesItsProfileAndAClickShowsItsTab) {
    test::NotificationBus bus;
    if (!bus.unavailable().isEmpty()) {
        GTEST_SKIP() << bus.unavailable().toStdString();
    }
    ASSERT_TRUE(bus.startService());
    StartBoth();
    w().setNotificationBus(bus.clientConnection());
    QSignalSpy unseen(&w(), &MainWindow::unseenChanged);
    w().activateWindow();
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return w().isActiveWindow(); }));
    // In front, but in a tab not shown: the operator has not seen it.
    bots.send("1004 WHISPER bob 0010 \"psst\"\r\n");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return !bus.shown().isEmpty(); }));
    EXPECT_EQ(bus.shown(), QStringList({"Whisper from bob \xc2\xb7 varnobot|psst"}));
    EXPECT_EQ(bus.actions().front(), QStringList({"default", "Show"}));
    f.server().send("1004 WHISPER amy 0010 \"seen\"\r\n");  // the tab shown, in front
    ASSERT_TRUE(GatewayServer::waitUntil(
        [&] { return (f.mainLog() + f.whisperLog()).find("seen") != std::string::npos; }));
    EXPECT_EQ(bus.shown().size(), 1);
    ASSERT_FALSE(unseen.isEmpty());
    EXPECT_EQ(unseen.last().at(0).toInt(), 1);

    ASSERT_TRUE(bus.click(1));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return w().tabs().shown() == 1; }));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return unseen.last().at(0).toInt() == 0; }))
        << "seen once its tab is shown in front";
}

// Closing the window with a dialog of a hidden profile open, and a profile closed while
// it logs in: nothing is left behind, every profile's scripts are told first.
TEST_P(ProfilesTest, TheWindowClosesEveryProfileAndAProfileClosesMidLogin) {
    const QByteArray script = "function on_stop() varno.set('stopped', true) end\n";
    f.writeFile("scripts/stop.lua", script);
    f.writeFile("profiles/bot/scripts/stop.lua", script);
    GatewayServer silent(test::OwnLoopbackAddress(62));  // takes the connection, says nothing
    ASSERT_TRUE(silent.listen());
    f.writeFile("profiles/mute/Varno.ini", "[Varno]\nServer=" + silent.host().toUtf8() +
                                               "\nUsername=m\nPassword=pw\nHome=X\n");
    StartBoth("Scripts=scripts\n", "Scripts=scripts\n");
    ASSERT_EQ(w().profileCount(), 3U);
    ASSERT_TRUE(silent.waitForReceived("\x03m\r\npw\r\n"));
    w().showProfile(2);
    w().mnuCloseProfile_Click();  // mid-login
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !silent.connected(); }));
    EXPECT_EQ(w().profileCount(), 2U);
    f.server().send("1018 INFO \"still here\"\r\n");
    EXPECT_TRUE(GatewayServer::waitUntil(
        [&] { return LogOf(w().profile(0)).find("still here") != std::string::npos; }));

    w().showProfile(1);
    w().mnuOptions_Click();
    QPointer<OptionsDialog> dialog = w().optionsDialog();
    w().showProfile(0);
    ASSERT_TRUE(dialog && dialog->isVisible());
    w().close();
    EXPECT_TRUE(!dialog || !dialog->isVisible());
    f.stop();
    EXPECT_TRUE(
        GatewayServer::waitUntil([&] { return !f.server().connected() && !bots.connected(); }));
    for (const char* store : {"/scripts/stop.store", "/profiles/bot/scripts/stop.store"}) {
        QFile kept(f.folder() + store);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << store;
        EXPECT_TRUE(kept.readAll().contains("stopped")) << store;
    }
}

VARNO_FOR_BOTH_EDITIONS(ProfilesTest);

}  // namespace
}  // namespace varno
