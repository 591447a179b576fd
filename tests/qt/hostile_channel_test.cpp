#include <gtest/gtest.h>

#include <QLabel>

#include "channel/roster_view.h"
#include "client/client.h"
#include "support/client_fixture.h"
#include "ui/chat_log_view.h"

// Names and texts that look like markup, format strings, other encodings or controls are
// shown as the characters they are, and none of them makes the client send a line of its own.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

const std::string kLong(10000, 'N');

class HostileChannelTest : public ::testing::TestWithParam<const Edition*> {
protected:
    HostileChannelTest() : f(*GetParam()) {}

    void SetUp() override {
        f.writeFile("database.txt", "boss\r\n");
        f.writeFile("shitlist.txt", "evil*\r\n");
        ASSERT_TRUE(f.startLoggedIn("Trigger=!\n"));
        f.server().send("2010 NAME alice\r\n");  // loads the access database
    }

    QStringList rosterRows() {
        QStringList rows;
        const RosterModel& model = f.window().lusers()->rosterModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            rows << model.data(model.index(row), Qt::DisplayRole).toString();
        }
        return rows;
    }

    QString shownLogs() {
        QString text = f.window().rtbc()->toPlainText();
        if (f.window().rtbc2()) {
            text += f.window().rtbc2()->toPlainText();
        }
        return text;
    }

    ClientFixture f;
};

TEST_P(HostileChannelTest, NamesAndTextsShowAsThePlainCharactersTheyAre) {
    const std::string names[] = {"<b>bold</b>",  "&amp;%s%n",       kLong,
                                 "\xff\xfe\xc3", "ctl\x01\x07\x1b", "\xe2\x80\x8frtl\xe2\x80\xae"};
    std::string block = "1007 CHANNEL \"<b>Chan</b> &amp; %s\"\r\n";
    for (const std::string& name : names) {
        block += "1001 USER " + name + " 0010 [CHAT]\r\n";
    }
    block += "1005 TALK <b>bold</b> 0010 \"<i>hi</i> &lt; %s%s%n\"\r\n";
    block += "1004 WHISPER " + kLong + " 0010 \"<a href=x>link</a>\"\r\n";
    block +=
        "1023 EMOTE ctl\x01 0010 \"\xe2\x80\x8f"
        "emotes\"\r\n";
    block += "1018 INFO \"done\"\r\n";
    f.server().send(QByteArray::fromStdString(block));
    ASSERT_TRUE(f.waitForLog("done"));

    EXPECT_EQ(f.window().label1()->text(), "<b>Chan</b> &amp; %s");
    EXPECT_EQ(rosterRows(), QStringList({"<b>bold</b>", "&amp;%s%n", QString(10000, 'N'),
                                         QString::fromUtf8("\xc3\xbf\xc3\xbe\xc3\x83"),
                                         QString::fromUtf8("ctl\u2401\u2407\u241b"),
                                         QString::fromUtf8("\xe2\x80\x8frtl\xe2\x80\xae")}));
    const QString logs = shownLogs();
    const QString talk = GetParam()->singleRunLines ? "<b>bold</b>: <i>hi</i> &lt; %s%s%n"
                                                    : "<<b>bold</b>> <i>hi</i> &lt; %s%s%n";
    EXPECT_TRUE(logs.contains(talk)) << logs.toStdString();
    EXPECT_TRUE(logs.contains("From " + QString(10000, 'N') + ": <a href=x>link</a>"));
    // A control character in the log shows as the symbol that stands for it.
    EXPECT_TRUE(
        logs.contains(QString::fromUtf8("ctl\xe2\x90\x81: \xe2\x80\x8f"
                                        "emotes")));
    EXPECT_EQ(f.server().received(), test::kAliceLogin);
}

TEST_P(HostileChannelTest, OnlyListedUsersAndBanPatternsMakeTheClientSend) {
    std::string talk;
    talk += "1005 TALK <b>bold</b> 0010 \"!say not listed\"\r\n";
    talk += "1004 WHISPER boss 0010 \"!say whispered\"\r\n";
    talk += "1023 EMOTE boss 0010 \"!say emoted\"\r\n";
    talk += "1005 TALK boss 0010 \"!say two\rlines\"\r\n";
    talk += "1005 TALK boss 0010 \"!kick a\nb\"\r\n";
    talk += "1005 TALK boss 0010 \"!say hello\"\r\n";
    f.server().send(QByteArray::fromStdString(talk));
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin + "hello\r\n"));

    // A name holding a lone CR or LF would reach the server as two lines: never sent.
    std::string joins;
    joins += "1002 JOIN evil\nname 0010 [CHAT]\r\n";
    joins += "1002 JOIN evil\r/ban boss 0010 [CHAT]\r\n";
    joins += "1002 JOIN evilbob 0010 [CHAT]\r\n";
    f.server().send(QByteArray::fromStdString(joins));
    ASSERT_TRUE(f.server().waitForReceived("/ban evilbob boo\r\n"));
    f.server().send("1018 INFO \"done\"\r\n");
    ASSERT_TRUE(f.waitForLog("done"));
    GatewayServer::waitUntil([] { return false; }, 200);
    EXPECT_EQ(f.server().received(), test::kAliceLogin + "hello\r\n/ban evilbob boo\r\n");
}

VARNO_FOR_BOTH_EDITIONS(HostileChannelTest);

}  // namespace
}  // namespace varno
