#include <gtest/gtest.h>

#include <QTest>

#include "channel/roster_view.h"
#include "client/client.h"
#include "support/client_fixture.h"
#include "ui/input_line_view.h"

// The input line in the real window: recall, name completion and Escape send nothing.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class InputLineViewTest : public ::testing::TestWithParam<const Edition*> {
protected:
    InputLineViewTest() : f(*GetParam()) {}

    void SetUp() override {
        ASSERT_TRUE(f.startLoggedIn("SendQuota=0\n"));  // two typed lines are five units
        f.server().send(
            "1007 CHANNEL \"Lobby\"\r\n1001 USER Alice 0010 [CHAT]\r\n"
            "1001 USER alfred 0010 [STAR]\r\n1001 USER Bj\xF6rn 0010 [CHAT]\r\n");
        ASSERT_TRUE(
            GatewayServer::waitUntil([&] { return f.window().client().roster().size() == 3; }));
        line()->setFocus();
        ASSERT_TRUE(GatewayServer::waitUntil([&] { return line()->hasFocus(); }));
    }

    InputLineView* line() { return f.window().txtSend(); }
    QString shown() { return line()->text(); }
    void key(Qt::Key k) { QTest::keyClick(line(), k); }

    ClientFixture f;
};

TEST_P(InputLineViewTest, TabCompletesNamesFromTheUserListAndKeepsTheFocus) {
    QTest::keyClicks(line(), "hi AL");
    key(Qt::Key_Tab);
    EXPECT_EQ(shown(), "hi Alice");
    EXPECT_TRUE(line()->hasFocus()) << "Tab stays in the input line";
    key(Qt::Key_Tab);
    EXPECT_EQ(shown(), "hi alfred");
    key(Qt::Key_Tab);
    EXPECT_EQ(shown(), "hi Alice");

    key(Qt::Key_Escape);
    EXPECT_EQ(shown(), "");
    line()->insert(QString::fromUtf8("\xC3\xA9t\xC3\xA9 bj"));
    key(Qt::Key_Tab);
    EXPECT_EQ(shown(), QString::fromUtf8("\xC3\xA9t\xC3\xA9 Bj\xC3\xB6rn"))
        << "as the list shows it";
    QTest::keyClicks(line(), " zz");
    key(Qt::Key_Tab);
    EXPECT_EQ(shown(), QString::fromUtf8("\xC3\xA9t\xC3\xA9 Bj\xC3\xB6rn zz"));
    EXPECT_TRUE(line()->hasFocus());
    f.screenshot(QString("input-line-") + (GetParam()->tray ? "2.00" : "2.01"));
    EXPECT_EQ(f.server().received(), test::kAliceLogin) << "nothing was sent";
}

TEST_P(InputLineViewTest, UpAndDownRecallSentLines) {
    for (const char* typed : {"first", "second"}) {
        QTest::keyClicks(line(), typed);
        key(Qt::Key_Return);
    }
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin + "first\r\n\r\nsecond\r\n\r\n"));
    QTest::keyClicks(line(), "draft");
    QStringList seen;
    for (const Qt::Key k : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}) {
        key(k);
        seen << shown();
    }
    EXPECT_EQ(seen, (QStringList{"second", "first", "first", "second", "draft"}));
    key(Qt::Key_Escape);
    EXPECT_EQ(shown(), "");
    GatewayServer::waitUntil([] { return false; }, 200);
    EXPECT_EQ(f.server().received(), test::kAliceLogin + "first\r\n\r\nsecond\r\n\r\n");
}

TEST_P(InputLineViewTest, DoubleClickedNameThatIsNotUtf8LeavesTheTypedTextWhole) {
    line()->insert(QString::fromUtf8("\xC3\xA9t\xC3\xA9 "));
    f.window().lusers()->select(2);
    f.window().lusers()->Lusers_DblClick();
    EXPECT_EQ(shown(), QString::fromUtf8("\xC3\xA9t\xC3\xA9 Bj\xC3\xB6rn"));
}

VARNO_FOR_BOTH_EDITIONS(InputLineViewTest);

}  // namespace
}  // namespace varno
