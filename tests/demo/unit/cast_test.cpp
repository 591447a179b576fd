#include "demo/cast.h"

#include <gtest/gtest.h>

#include <string>

#include "demo_fakes.h"

namespace varno::demo {
namespace {

constexpr SessionId kClient = 1;

// The cast with every timing at its minimum. It starts at the first tick (0.2 s): members
// arrive 0.8 s apart after it, chat starts 3 s after the last, boss and the first joiner
// come 30 s after the start, mira's whisper 40 s after it.
class CastTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.open(kClient, "127.0.0.1");
        model.receive(kClient, "\x03operator\r\noperatorpw\r\n/join Demo\r\n");
        port.take(kClient);
        start = clock.ms;
    }

    // Ticks every 200 ms until `ms` after the start; returns what the client was sent.
    std::string runUntil(std::int64_t ms) {
        while (clock.ms - start < ms) {
            clock.ms += 200;
            const std::size_t before = port.writes.size();
            cast.tick();
            const std::size_t after = port.writes.size();
            for (std::size_t i = before; i < after; ++i) {
                if (port.writes[i].second.find("1002 JOIN spam") != std::string::npos) {
                    EXPECT_EQ(after - before, 1u) << "a joiner's join goes out alone";
                    EXPECT_TRUE(port.writes[i].second.starts_with("1002 JOIN"));
                }
            }
        }
        return port.take(kClient);
    }
    void client(const std::string& line) {
        model.receive(kClient, line + "\r\n");
        port.take(kClient);
    }

    test::FakeSessions port;
    test::FakeClock clock;
    test::LowestRandom random;
    GatewayModel model{port, clock};
    Cast cast{model, clock, random};
    std::int64_t start = 0;
};

TEST_F(CastTest, MembersArriveOneByOneAndChat) {
    EXPECT_EQ(runUntil(800), "");
    EXPECT_EQ(runUntil(1000),
              "1002 JOIN boss 0010 [CHAT]\r\n1009 USER boss 0000\r\n1009 USER boss 0000\r\n");
    const std::string rest = runUntil(7200);
    std::size_t at = 0;
    for (const char* join :
         {"1002 JOIN mira 0010 [CHAT]", "1002 JOIN kestrel 0010 [STAR]",
          "1002 JOIN tobi 0010 [D2DV]", "1002 JOIN quill 0010 [W2BN]", "\"morning all\""}) {
        at = rest.find(join, at);
        EXPECT_NE(at, std::string::npos) << join;
    }
    EXPECT_EQ(cast.members().size(), 5u);
}

TEST_F(CastTest, BossAsksTheBotAndMiraWhispersTheOperator) {
    const std::string out = runUntil(41000);
    EXPECT_NE(out.find("1005 TALK boss 0000 \"!version\"\r\n"), std::string::npos);
    EXPECT_NE(out.find("1004 WHISPER mira 0000 \"hey operator, thanks for keeping the spam "
                       "out\"\r\n"),
              std::string::npos);
}

TEST_F(CastTest, ABannedJoinerIsRemarkedOnAndGone) {
    runUntil(29999);
    const std::string join = runUntil(31000);
    ASSERT_NE(join.find("1002 JOIN spam10 0010 [CHAT]\r\n"), std::string::npos);
    client("/ban spam10 boo");
    EXPECT_EQ(model.channelOf(kClient), "Demo");
    const std::string after = runUntil(34000);
    EXPECT_NE(after.find("\"bye spam10\""), std::string::npos);
    EXPECT_EQ(after.find("spam10 0000 \"CHEAP"), std::string::npos);
}

TEST_F(CastTest, AJoinerLeftAloneSpamsAndLeaves) {
    runUntil(31000);
    const std::string out = runUntil(45000);
    EXPECT_NE(out.find("1005 TALK spam10 0000 \"CHEAP GOLD at www dot example dot invalid!!!\"\r\n"
                       "1003 LEAVE spam10 0000\r\n"),
              std::string::npos);
}

TEST_F(CastTest, AKickedMemberComesBackABannedOneDoesNot) {
    runUntil(5000);
    client("/kick tobi bye");
    client("/ban quill bye");
    const std::string out = runUntil(16000);
    EXPECT_NE(out.find("1002 JOIN tobi"), std::string::npos) << "back after 10 s away";
    EXPECT_EQ(out.find("1002 JOIN quill"), std::string::npos);
}

TEST_F(CastTest, TheCastIsThereOnlyWhileAClientIsInTheChannel) {
    runUntil(5000);
    EXPECT_TRUE(cast.active());
    client("/join Elsewhere");
    runUntil(5200);
    EXPECT_FALSE(cast.active());
    EXPECT_EQ(model.channelOf(cast.members()[0].id.value_or(0)), "");
    EXPECT_EQ(runUntil(20000), "") << "nothing follows the client elsewhere";
    model.receive(kClient, "/join Demo\r\n");
    EXPECT_NE(port.take(kClient).find("1009 USER operator 0002\r\n"), std::string::npos)
        << "the client finds the channel empty and is its operator again";
    EXPECT_NE(runUntil(25000).find("1002 JOIN quill"), std::string::npos);
}

TEST_F(CastTest, NoClientNoCast) {
    client("/join Chat");
    runUntil(60000);
    EXPECT_FALSE(cast.active());
    EXPECT_FALSE(cast.members()[0].id.has_value());
}

TEST(CastTimingTest, FasterDividesEverySpan) {
    const CastTiming t = CastTiming{}.Faster(4);
    EXPECT_EQ(t.chat.min, 750);
    EXPECT_EQ(t.joiner.max, 15000);
    EXPECT_EQ(t.joinerStayMs, 3000);
    EXPECT_EQ(CastTiming{}.Faster(0).chat.min, 3000) << "a pace below 1 is 1";
}

}  // namespace
}  // namespace varno::demo
