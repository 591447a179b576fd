#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "base/version.h"
#include "channel/roster_view.h"
#include "client/client.h"
#include "connection/options_dialog.h"
#include "support/client_fixture.h"

namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class WindowMenusTest : public ::testing::TestWithParam<const Edition*> {
protected:
    WindowMenusTest() : f(*GetParam()) {}

    void SetUp() override {
        ASSERT_TRUE(f.startLoggedIn());
        f.server().send("1007 CHANNEL \"Lobby\"\r\n1001 USER Bob 0010 [STAR]\r\n");
        ASSERT_TRUE(
            GatewayServer::waitUntil([&] { return f.window().client().roster().size() == 1; }));
    }

    // Right-clicks the first entry and picks the entry with this text from the popup
    // (or dismisses it for an empty text); returns the popup's entries.
    QStringList rightClickAndChoose(const QString& choice) {
        QStringList entries;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                return;
            }
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                entries << (a->isSeparator() ? "-" : a->text());
                if (a->text() == choice) {
                    chosen = a;
                }
            }
            if (chosen) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
            } else {
                QTest::keyClick(menu, Qt::Key_Escape);
            }
        });
        RosterView* list = f.window().lusers();
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row.center());
        return entries;
    }

    ClientFixture f;
};

TEST_P(WindowMenusTest, RightClickMenuSendsTheChosenCommandForTheEntry) {
    const QString second = QString::fromUtf8(GetParam()->userMenuSecond.data());
    EXPECT_EQ(rightClickAndChoose("Ban User"),
              (QStringList{"Kick User", second, "Ban User", "-", "Squelch", "Unsquelch"}));
    EXPECT_TRUE(f.server().waitForReceived("/ban Bob\r\n"));
    rightClickAndChoose(second);
    const QByteArray line = QByteArray(GetParam()->userMenuSecondCommand.data()) + "Bob\r\n";
    EXPECT_TRUE(f.server().waitForReceived(line));
    rightClickAndChoose("");
    GatewayServer::waitUntil([] { return false; }, 100);
    EXPECT_EQ(f.server().received(), test::kAliceLogin + "/ban Bob\r\n" + line)
        << "dismissed: nothing";
}

TEST_P(WindowMenusTest, AboutBoxHasTheEditionsTextTitleAndOneButton) {
    QString text, title, version;
    int buttons = 0;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        version = box->informativeText();
        title = box->windowTitle();
        buttons = static_cast<int>(box->buttons().size());
        box->accept();
    });
    f.window().mnuAbout_Click();
    EXPECT_EQ(text, QString::fromUtf8(GetParam()->aboutText.data()));
    EXPECT_EQ(version, "Version " + QString::fromUtf8(std::string(PackageVersion()).c_str()));
    EXPECT_EQ(title, "Varno");
    EXPECT_EQ(buttons, 1);
}

TEST_P(WindowMenusTest, UptimeLabelFollowsTheTicks) {
    for (int i = 0; i < 61; ++i) {
        f.window().client().Timer1_Timer();
    }
    EXPECT_TRUE(f.window().lbluptime()->text().startsWith("0 day 0 hour 1 minute"));
}

TEST_P(WindowMenusTest, OptionsIsOneModelessDialogThatOkSaves) {
    f.window().mnuOptions_Click();
    OptionsDialog* dialog = f.window().optionsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Varno Options");
    dialog->box("Username")->setText("carol");
    f.window().mnuOptions_Click();
    EXPECT_EQ(f.window().optionsDialog(), dialog) << "one instance";
    EXPECT_EQ(dialog->box("Username")->text(), "carol") << "not filled again";
    dialog->findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(f.window().client().settings().Username, "carol");
    EXPECT_EQ(f.window().windowTitle(), "Varno 2.00 by Tamsel - Logged in as alice")
        << "the caption changes at the next connect";
}

// A first start (no Varno.ini at all) asks for settings instead of trying a server nobody
// named, and connects as a start does once Ok saves one; an Ok without a server keeps asking.
TEST_P(WindowMenusTest, FirstStartOpensOptionsAndConnectsOnlyOnceOkSavesAServer) {
    ClientFixture first(*GetParam(), 1);
    ASSERT_TRUE(first.server().listen());
    first.start();
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return first.window().optionsDialog(); }));
    OptionsDialog* dialog = first.window().optionsDialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(first.mainLog().find("No settings yet: fill in Options and press Ok\r\n") !=
                std::string::npos);
    // The reconnect timer would have tried many times in this while.
    EXPECT_FALSE(first.waitForLog("Server Down", 1500));
    EXPECT_EQ(first.window().windowTitle(), "Varno Chat") << "the caption waits for a connect";

    dialog->box("Username")->setText("alice");
    dialog->findChild<QPushButton*>("Command1")->click();
    EXPECT_TRUE(first.waitForLog("No server yet: fill in Server in Options and press Ok"));
    EXPECT_FALSE(first.waitForLog("Server Down", 500));

    first.window().mnuOptions_Click();
    dialog = first.window().optionsDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->box("Password")->setText("pw");
    dialog->box("Home")->setText("Lobby");
    dialog->box("Server")->setText(first.server().host());
    dialog->findChild<QPushButton*>("Command1")->click();
    EXPECT_TRUE(first.server().waitForReceived(test::kAliceLogin));
    EXPECT_EQ(first.window().windowTitle(), "Varno 2.00 by Tamsel - Logged in as alice");
}

TEST_P(WindowMenusTest, ClosingTheWindowClosesTheOptionsDialog) {
    f.window().mnuOptions_Click();
    QPointer<OptionsDialog> dialog = f.window().optionsDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    f.window().close();
    EXPECT_TRUE(!dialog || !dialog->isVisible());
}

TEST(WindowLayoutTest, ControlsKeepTheirProportionsAndComeBackExactly) {
    ClientFixture f(Edition::v201());
    f.writeSettings("Username=alice\n");
    f.start();
    const QWidget* area = f.window().centralWidget();
    QList<QWidget*> controls;
    QList<QRect> before;
    for (const ControlPlace& c : Edition::v201().controls) {
        QWidget* w = area->findChild<QWidget*>(QString::fromUtf8(c.name.data()));
        ASSERT_NE(w, nullptr) << c.name;
        controls << w;
        before << w->geometry();
    }
    const QSize normal = f.window().size();
    for (int i = 0; i < 100; ++i) {
        f.window().resize(normal * 2);
        QApplication::processEvents();
        if (i == 0) {
            EXPECT_GT(controls[0]->width(), before[0].width() * 3 / 2) << "the log widens";
            EXPECT_GT(controls[5]->x(), before[5].x() * 3 / 2) << "the user list moves right";
            f.screenshot("main-window-2.01-large");
        }
        f.window().resize(normal);
        QApplication::processEvents();
    }
    for (int i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i]->geometry(), before[i]) << controls[i]->objectName().toStdString();
    }
}

VARNO_FOR_BOTH_EDITIONS(WindowMenusTest);

}  // namespace
}  // namespace varno
