#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "client/client.h"
#include "support/gateway_server.h"
#include "support/notification_bus.h"
#include "tray/tray_program_qt.h"
#include "ui/profile_view.h"

// The tray client on a real X server, with a window manager and a notification area: the
// pointer and the window manager's minimise are real X input, sent with xdotool.
namespace varno {
namespace {

using test::GatewayServer;

bool Xdo(const QStringList& args) {
    QProcess xdo;
    xdo.start("xdotool", args);
    return xdo.waitForFinished(5000) && xdo.exitStatus() == QProcess::NormalExit &&
           xdo.exitCode() == 0;
}

bool ClickAt(const QPoint& at, int button = 1) {
    return Xdo({"mousemove", QString::number(at.x()), QString::number(at.y())}) &&
           Xdo({"click", QString::number(button)});
}

bool Minimise(QWidget& window) {
    return Xdo({"windowminimize", QString::number(window.winId())});
}

// Notification-area icons of this process that are on screen.
int IconsShown() {
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QSystemTrayIconSys") {
            ++n;
        }
    }
    return n;
}

bool Activate(QWidget& window) {
    return Xdo({"windowactivate", "--sync", QString::number(window.winId())}) &&
           GatewayServer::waitUntil([&] { return window.isActiveWindow(); });
}

// Whether the window manager shows the window as asking for attention.
bool DemandsAttention(QWidget& window) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
    xprop.waitForFinished(5000);
    return xprop.readAllStandardOutput().contains("_NET_WM_STATE_DEMANDS_ATTENTION");
}

QMenu* OpenMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QPoint CentreOf(QMenu* menu, const char* name) {
    QAction* action = menu->findChild<QAction*>(name);
    return action == nullptr ? QPoint() : menu->mapToGlobal(menu->actionGeometry(action).center());
}

class TrayOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        ASSERT_TRUE(GatewayServer::waitUntil(
            [] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            << "no notification area on this display";
        ASSERT_TRUE(dir.isValid());
        // No server: the connection stays down, quietly (no reconnect timer).
        QFile ini(dir.filePath("Varno.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Varno]\nUsername=tester\nDelay=0\n");
        ini.close();
        program = std::make_unique<TrayProgram>(dir.path());
        program->start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    }

    MainWindow& window() { return program->window(); }
    const QSystemTrayIcon& icon() { return program->tray().icon(); }

    // Minimises through the window manager and waits for the window to be in the tray.
    void minimiseToTray() {
        // A window manager that is still starting may miss the first request.
        for (int attempt = 0; attempt < 5 && window().isVisible(); ++attempt) {
            ASSERT_TRUE(Minimise(window()));
            GatewayServer::waitUntil([&] { return !window().isVisible(); }, 2000);
        }
        ASSERT_FALSE(window().isVisible()) << "minimising hides the window";
        // One icon, placed by the notification area.
        EXPECT_TRUE(GatewayServer::waitUntil(
            [&] { return IconsShown() == 1 && icon().geometry().topLeft() != QPoint(); }, 10000))
            << "icons " << IconsShown() << " at " << icon().geometry().x();
        // And it stays while the window manager lets go of the hidden window.
        QTest::qWait(500);
        EXPECT_EQ(IconsShown(), 1);
        EXPECT_TRUE(icon().isVisible());
    }

    QMenu* clickIcon() {
        EXPECT_TRUE(ClickAt(icon().geometry().center()));
        GatewayServer::waitUntil([] { return OpenMenu() != nullptr; });
        return OpenMenu();
    }

    QTemporaryDir dir;
    std::unique_ptr<TrayProgram> program;
};

TEST_F(TrayOnX, MinimiseRestoreAndExitThroughTheIcon) {
    const QString caption = window().windowTitle();
    ASSERT_EQ(caption, "Varno 2.00 by Tamsel - Logged in as tester");
    EXPECT_EQ(IconsShown(), 0);

    minimiseToTray();
    // The tip: what the icon on screen shows while the pointer rests on it.
    EXPECT_EQ(icon().toolTip(), caption);
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QSystemTrayIconSys") {
            EXPECT_EQ(w->toolTip(), caption);
        }
    }

    QMenu* menu = clickIcon();
    ASSERT_NE(menu, nullptr) << "a left click opens the menu";
    EXPECT_EQ(menu->objectName(), "mnuSystray");
    QStringList items;
    for (const QAction* a : menu->actions()) {
        items << (a->isSeparator() ? QString("-") : a->text());
    }
    EXPECT_EQ(items, (QStringList{"Restore", "-", "Exit"}));

    ASSERT_TRUE(ClickAt(CentreOf(menu, "mnuRestore")));
    EXPECT_TRUE(GatewayServer::waitUntil([&] {
        return window().isVisible() && !window().isMinimized() && IconsShown() == 0;
    })) << "shown "
        << window().isVisible() << ", icons " << IconsShown();
    EXPECT_FALSE(icon().isVisible());

    // Minimised again: one icon again, never two. Exit from there ends the program with 0.
    minimiseToTray();
    menu = clickIcon();
    ASSERT_NE(menu, nullptr);
    const QPoint exitAt = CentreOf(menu, "mnuExit");
    QTimer::singleShot(0, [exitAt] { ClickAt(exitAt); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0) << "Exit ends the program with status 0";
    EXPECT_FALSE(icon().isVisible());
    EXPECT_EQ(IconsShown(), 0);
}

TEST_F(TrayOnX, WhispersAskForAttentionOnlyWhileTheWindowIsNotInFront) {
    test::NotificationBus bus;
    if (!bus.unavailable().isEmpty()) {
        GTEST_SKIP() << bus.unavailable().toStdString();
    }
    ASSERT_TRUE(bus.startService());
    window().setNotificationBus(bus.clientConnection());
    const auto whisper = [&](const std::string& who, const std::string& text) {
        window().client().sck_dataarrival("1004 WHISPER " + who + " 0010 \"" + text + "\"\r\n");
    };

    ASSERT_TRUE(Activate(window()));
    whisper("amy", "while you look");
    QWidget other;
    other.resize(200, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(Activate(other));
    whisper("bob", "psst");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return !bus.shown().isEmpty(); }));
    EXPECT_EQ(bus.shown(), QStringList({"Whisper from bob|psst"}));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return DemandsAttention(window()); }))
        << "the urgency hint is set";
    ASSERT_TRUE(Activate(window()));
    EXPECT_TRUE(GatewayServer::waitUntil([&] { return !DemandsAttention(window()); }))
        << "activating the window ends the request";

    // Hidden in the notification area: the tip counts what came, under the caption.
    other.hide();
    const QString caption = window().windowTitle();
    minimiseToTray();
    whisper("carol", "one");
    whisper("carol", "two");
    EXPECT_EQ(icon().toolTip(), caption + "\n2 new");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return bus.shown().size() >= 2; }));
    EXPECT_EQ(bus.shown(), QStringList({"Whisper from bob|psst", "Whisper from carol|one"}));
}

// With several profiles the tip counts what is unseen in every tab.
TEST_F(TrayOnX, TheTipCountsWhatCameInEveryProfile) {
    test::NotificationBus bus;
    if (!bus.unavailable().isEmpty()) {
        GTEST_SKIP() << bus.unavailable().toStdString();
    }
    ASSERT_TRUE(bus.startService());
    program.reset();
    ASSERT_TRUE(QDir(dir.path()).mkpath("profiles/bot"));
    QFile ini(dir.filePath("profiles/bot/Varno.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Varno]\nUsername=varnobot\nDelay=0\n");
    ini.close();
    program = std::make_unique<TrayProgram>(dir.path());
    program->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    ASSERT_EQ(window().profileCount(), 2U);
    window().setNotificationBus(bus.clientConnection());
    const QString caption = window().windowTitle();
    minimiseToTray();
    window().profile(0).client().sck_dataarrival("1004 WHISPER amy 0010 \"one\"\r\n");
    window().profile(1).client().sck_dataarrival("1004 WHISPER bob 0010 \"two\"\r\n");
    window().profile(1).client().sck_dataarrival("1004 WHISPER bob 0010 \"three\"\r\n");
    EXPECT_EQ(icon().toolTip(), caption + "\n3 new");
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return bus.shown().size() >= 2; }));
    EXPECT_EQ(bus.shown(), QStringList({"Whisper from amy \xc2\xb7 tester|one",
                                        "Whisper from bob \xc2\xb7 varnobot|two"}));
}

}  // namespace
}  // namespace varno
