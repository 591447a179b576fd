#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include "client/client.h"
#include "support/client_fixture.h"
#include "support/notification_bus.h"
#include "ui/chat_log_view.h"
#include "ui/find_bar_view.h"

// What an operator who leaves the program running sees of it on the desktop: notifications
// through a real notification service, the mention highlight, links and the find bar.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

// Another window takes the focus from the program's window while it lives.
class OtherWindow {
public:
    explicit OtherWindow(QWidget& program) {
        other_.resize(100, 100);
        other_.show();
        other_.activateWindow();
        QApplication::setActiveWindow(&other_);
        GatewayServer::waitUntil([&] { return !program.isActiveWindow(); });
    }

private:
    QWidget other_;
};

// The block of the view that holds text, or an invalid block.
QTextBlock BlockWith(ChatLogView* view, const QString& text) {
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().contains(text)) {
            return b;
        }
    }
    return {};
}

// The centre of the character at document position `at`, in the view's viewport.
QPoint PointOf(ChatLogView* view, int at) {
    QTextCursor c(view->document());
    c.setPosition(at);
    const QRect left = view->cursorRect(c);
    c.setPosition(at + 1);
    return QPoint((left.x() + view->cursorRect(c).x()) / 2, left.center().y());
}

class DesktopComfortsTest : public ::testing::TestWithParam<const Edition*> {
protected:
    DesktopComfortsTest() : f(*GetParam()) {}

    ChatLogView* lastLog() {
        return GetParam()->whisperLog ? f.window().rtbc2() : f.window().rtbc();
    }
    // Waits for text in either log (whispers have a log of their own in 2.01).
    bool waitForText(const std::string& text) {
        return GatewayServer::waitUntil(
            [&] { return (f.mainLog() + f.whisperLog()).find(text) != std::string::npos; });
    }
    QString name(const char* what) {
        return QString(what) + (GetParam()->tray ? "-2.00" : "-2.01");
    }

    ClientFixture f;
};

TEST_P(DesktopComfortsTest, WhispersAndMentionsToAnInactiveWindowNotifyOnceAndAskForAttention) {
    test::NotificationBus bus;
    if (!bus.unavailable().isEmpty()) {
        GTEST_SKIP() << bus.unavailable().toStdString();
    }
    ASSERT_TRUE(bus.startService());
    ASSERT_TRUE(f.startLoggedIn());
    f.window().setNotificationBus(bus.clientConnection());
    QSignalSpy unseen(&f.window(), &MainWindow::unseenChanged);
    f.window().activateWindow();
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return f.window().isActiveWindow(); }));

    // In front: neither a notification nor a request for attention.
    f.server().send("1007 CHANNEL \"Lobby\"\r\n1004 WHISPER amy 0010 \"while you look\"\r\n");
    ASSERT_TRUE(waitForText("while you look"));
    {
        OtherWindow other(f.window());
        // bob's second whisper is within 5 s of his first; dave does not name alice as a
        // word; alice's own line and the server's never count.
        f.server().send(
            "1004 WHISPER bob 0010 \"psst <b>\"\r\n"
            "1004 WHISPER bob 0010 \"again\"\r\n"
            "1005 TALK carol 0010 \"hi ALICE!\"\r\n"
            "1005 TALK dave 0010 \"alicette\"\r\n"
            "1005 TALK alice 0010 \"alice here\"\r\n"
            "1018 INFO \"alice, welcome\"\r\n"
            "1004 WHISPER erin 0010 \"last\"\r\n");
        ASSERT_TRUE(GatewayServer::waitUntil([&] { return bus.shown().size() >= 3; }));
        EXPECT_EQ(bus.shown(), QStringList({"Whisper from bob|psst &lt;b&gt;",
                                            "carol in Lobby|hi ALICE!", "Whisper from erin|last"}));
        ASSERT_FALSE(unseen.isEmpty());
        EXPECT_EQ(unseen.last().at(0).toInt(), 4);  // bob twice, carol, erin
    }
    f.window().activateWindow();
    ASSERT_TRUE(GatewayServer::waitUntil([&] { return f.window().isActiveWindow(); }));
    EXPECT_EQ(unseen.last().at(0).toInt(), 0);

    // The line that names the operator has a background of its own; others have none.
    const QTextBlock carol = BlockWith(f.window().rtbc(), "hi ALICE!");
    const QTextBlock dave = BlockWith(f.window().rtbc(), "alicette");
    ASSERT_TRUE(carol.isValid() && dave.isValid());
    EXPECT_EQ(carol.blockFormat().background().color(), QColor::fromRgb(colour::kMention));
    EXPECT_EQ(dave.blockFormat().background().style(), Qt::NoBrush);
    f.screenshot(name("mention"));
}

TEST_P(DesktopComfortsTest, WithoutANotificationServiceItIsSaidOnceAndNothingFails) {
    test::NotificationBus bus;  // a bus with no notification service on it
    if (!bus.unavailable().isEmpty()) {
        GTEST_SKIP() << bus.unavailable().toStdString();
    }
    ASSERT_TRUE(f.startLoggedIn("Notify=1\n"));
    f.window().setNotificationBus(bus.clientConnection());
    OtherWindow other(f.window());
    f.server().send("1004 WHISPER bob 0010 \"one\"\r\n1004 WHISPER carol 0010 \"two\"\r\n");
    ASSERT_TRUE(f.waitForLog("Desktop notifications are not shown"));
    f.server().send("1004 WHISPER dave 0010 \"three\"\r\n");
    QTest::qWait(300);
    const std::string log = f.mainLog();
    const auto first = log.find("Desktop notifications are not shown");
    EXPECT_EQ(log.find("Desktop notifications are not shown", first + 1), std::string::npos);
}

TEST_P(DesktopComfortsTest, ALinkShowsUnderlinedInItsRunsColourAndAClickOpensExactlyIt) {
    ASSERT_TRUE(f.startLoggedIn());
    QList<QUrl> opened;
    f.window().rtbc()->setUrlOpener([&](const QUrl& url) { opened.append(url); });
    f.server().send(
        "1005 TALK bob 0010 \"see https://example.org/a?b=1, or file:///etc/passwd\"\r\n"
        "1018 INFO \"news at www.example.net\"\r\n");
    ASSERT_TRUE(f.waitForLog("news at"));
    QApplication::processEvents();
    ChatLogView* log = f.window().rtbc();
    const QTextBlock talk = BlockWith(log, "https://example.org");
    ASSERT_TRUE(talk.isValid());
    const int link = talk.position() + static_cast<int>(talk.text().indexOf("https://"));
    const int file = talk.position() + static_cast<int>(talk.text().indexOf("file:"));

    struct Expect {
        int at;
        QString href;
        QRgb colour;
    };
    const QRgb text = GetParam()->singleRunLines ? colour::kLightGreen : colour::kWhite;
    const Expect expected[] = {
        {link + 5, "https://example.org/a?b=1", text},
        {file + 5, "", text},
    };
    for (const Expect& e : expected) {
        QTextCursor c(log->document());
        c.setPosition(e.at + 1);
        EXPECT_EQ(c.charFormat().anchorHref(), e.href);
        EXPECT_EQ(c.charFormat().fontUnderline(), !e.href.isEmpty());
        EXPECT_EQ(c.charFormat().foreground().color(), QColor::fromRgb(e.colour));
    }
    const QTextBlock info = BlockWith(log, "www.example.net");
    QTextCursor onInfo(log->document());
    onInfo.setPosition(info.position() + static_cast<int>(info.text().indexOf("www.")) + 2);
    EXPECT_EQ(onInfo.charFormat().anchorHref(), "http://www.example.net");
    EXPECT_EQ(onInfo.charFormat().foreground().color(), QColor::fromRgb(colour::kYellow));

    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, PointOf(log, file + 3));
    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, PointOf(log, link + 10));
    EXPECT_EQ(opened, QList<QUrl>({QUrl("https://example.org/a?b=1")}));

    // Selecting and copying take the text as it arrived.
    log->selectAll();
    log->copy();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(
        "see https://example.org/a?b=1, or file:///etc/passwd"));
    f.screenshot(name("link"));
}

TEST_P(DesktopComfortsTest, LinksZeroAndFindZeroLeaveTheLogsAsTheyWere) {
    ASSERT_TRUE(f.startLoggedIn("Links=0\nFind=0\n"));
    f.server().send("1005 TALK bob 0010 \"see https://example.org\"\r\n");
    ASSERT_TRUE(f.waitForLog("see https"));
    QApplication::processEvents();
    const QTextBlock talk = BlockWith(f.window().rtbc(), "https://example.org");
    QTextCursor c(f.window().rtbc()->document());
    c.setPosition(talk.position() + static_cast<int>(talk.text().indexOf("https")) + 3);
    EXPECT_EQ(c.charFormat().anchorHref(), "");
    EXPECT_FALSE(c.charFormat().fontUnderline());
    f.window().activateWindow();
    QTest::keyClick(&f.window(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(&f.window(), Qt::Key_F3);
    EXPECT_FALSE(f.window().findBar()->isVisible());
}

TEST_P(DesktopComfortsTest, FindMarksEveryMatchGoesNextAndPreviousWithWrapAndEscapeCloses) {
    ASSERT_TRUE(f.startLoggedIn());
    f.server().send(
        "1007 CHANNEL \"Lobby\"\r\n"
        "1005 TALK dave 0010 \"alice, the notes are at www.example.org\"\r\n"
        "1005 TALK eve 0010 \"caf\xe9 \x1b[2J \xf0\x9f\x98\x80 x\"\r\n"
        "1005 TALK bob 0010 \"a Needle here\"\r\n"
        "1005 TALK bob 0010 \"hay\"\r\n"
        "1005 TALK bob 0010 \"needle, NEEDLE\"\r\n"
        "1004 WHISPER carol 0010 \"needle too\"\r\n");
    ASSERT_TRUE(waitForText("needle too"));
    QApplication::processEvents();
    f.window().activateWindow();
    QTest::keyClick(&f.window(), Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = f.window().findBar();
    ASSERT_TRUE(bar->isVisible());
    QTest::keyClicks(bar->input(), "needle");
    EXPECT_EQ(bar->count()->text(), "4 matches");
    // 2.01: three in the main log, then one in the whisper log; 2.00: all four in its one log.
    const bool two = GetParam()->whisperLog;
    using Place = QPair<int, int>;
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Place at;
    };
    const Step steps[] = {
        {Qt::Key_Return, {}, {0, 0}},
        {Qt::Key_F3, {}, {0, 1}},
        {Qt::Key_Return, {}, {0, 2}},
        {Qt::Key_Return, {}, two ? Place{1, 0} : Place{0, 3}},
        {Qt::Key_Return, {}, {0, 0}},  // wraps round to the first
        {Qt::Key_Return, Qt::ShiftModifier, two ? Place{1, 0} : Place{0, 3}},
        {Qt::Key_F3, Qt::ShiftModifier, {0, 2}},
    };
    for (const Step& s : steps) {
        QTest::keyClick(bar->input(), s.key, s.modifiers);
        EXPECT_EQ(bar->current(), s.at) << s.key;
    }
    EXPECT_EQ(f.window().rtbc()->matchCount(), two ? 3 : 4);
    EXPECT_EQ(f.window().rtbc()->extraSelections().size(), two ? 3 : 4);
    // Lines that come while the bar is open are searched too; the marks stand on the words
    // found, past links, symbols and characters of two halves.
    f.server().send("1005 TALK eve 0010 \"see https://x.example/\xf0\x9f\x98\x80 needle\"\r\n");
    ASSERT_TRUE(waitForText("x.example"));
    QApplication::processEvents();
    EXPECT_EQ(bar->count()->text(), "5 matches");
    for (const auto* log : {f.window().rtbc(), f.window().rtbc2()}) {
        for (const QTextEdit::ExtraSelection& mark :
             log ? log->extraSelections() : QList<QTextEdit::ExtraSelection>{}) {
            EXPECT_EQ(mark.cursor.selectedText().toLower(), "needle");
        }
    }
    f.screenshot(name("find"));

    QTest::keyClick(bar->input(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(f.window().rtbc()->extraSelections().isEmpty());
    EXPECT_TRUE(f.window().txtSend()->hasFocus());
}

TEST_P(DesktopComfortsTest, TheWindowOpensWhereItWasAndCentredWhenThatIsOffEveryScreen) {
    const bool sized = GetParam()->layoutSnapshot;  // the tray edition has one size
    f.writeSettings("Username=alice\nDelay=0\n");
    f.start();
    const QSize first = f.window().size();
    f.window().move(40, 30);
    if (sized) {
        f.window().resize(first + QSize(60, 40));
    }
    f.start();  // the window goes, a new one opens
    EXPECT_EQ(f.window().pos(), QPoint(40, 30));
    EXPECT_EQ(f.window().size(), sized ? first + QSize(60, 40) : first);

    // A place on a monitor no longer there: the centred default.
    ClientFixture g(*GetParam(), 1);
    g.writeSettings("Username=alice\nDelay=0\n");
    g.writeFile("window.ini", "[Window]\nX=5000\nY=5000\nWidth=700\nHeight=560\n");
    g.start();
    const QRect screen = g.window().screen()->availableGeometry();
    EXPECT_EQ(g.window().pos(), screen.center() - g.window().rect().center());
    EXPECT_EQ(g.window().size(), first);
}

VARNO_FOR_BOTH_EDITIONS(DesktopComfortsTest);

}  // namespace
}  // namespace varno
