#include <gtest/gtest.h>

#include <algorithm>

#include "moderation/user_menu.h"
#include "support/client_rig.h"

// A ban of the ban list against servers that drop the client for it, however often the user
// is listed again: three lines and one red line in ten minutes.
namespace varno {
namespace {

using test::ClientRig;
using Lines = std::vector<std::string>;

constexpr std::int64_t kHoldMs = 10 * 60 * 1000;

// The red lines since the last look that tell of a deed not done.
Lines CouldNot(ClientRig& rig) {
    Lines lines;
    for (const std::string& line : rig.logged(colour::kRed)) {
        if (line.starts_with("Could not")) {
            lines.push_back(line);
        }
    }
    return lines;
}

ClientRig::Files Files(const std::string& keys = "") {
    return {
        {"Varno.ini", "[Varno]\r\nUsername=alice\r\nServer=chat.example\r\nBackoff=0\r\n" + keys},
        {"shitlist.txt", "evil*\r\n"}};
}

// A client whose ban list names evil1, on a server that lists evil1 at every entry and drops
// the client dropAfterMs after each ban line, never answering it. Backoff is off: the client
// connects again at once.
struct DroppingServer {
    explicit DroppingServer(std::int64_t dropAfterMs) : dropAfterMs(dropAfterMs), rig(Files()) {}

    // Time passes, the client ticking each second.
    void pass(std::int64_t ms) {
        for (; ms > 0; ms -= 1000) {
            rig.clock.ms += std::min<std::int64_t>(ms, 1000);
            rig.client->Timer1_Timer();
        }
    }
    // Counts the ban lines of evil1 written since the last look; true when there were any.
    bool banned() {
        const Lines sent = rig.sent();
        const auto n = std::count(sent.begin(), sent.end(), "/ban evil1 boo");
        bans += static_cast<int>(n);
        return n > 0;
    }
    void drop() {
        rig.link.dropNow();
        rig.client->sck_Close();
        for (const std::string& line : CouldNot(rig)) {
            red.push_back(line);
            givenUpAtMs = rig.clock.ms;
        }
    }
    // A session of 20 s: the client enters with evil1 listed; without a ban line, evil1
    // leaves and joins again and the users present are checked. The server drops the
    // client after a ban line, and at the end of the session anyway (it goes down, say).
    void session() {
        std::int64_t left = 20000;
        rig.enter("alice", "1001 USER evil1 0010 [CHAT]\r\n");
        if (banned()) {
            pass(dropAfterMs);
            left -= dropAfterMs;
            drop();
        } else {
            rig.client->sck_dataarrival("1003 LEAVE evil1 0010\r\n1002 JOIN evil1 0010 [CHAT]\r\n");
            rig.client->BanPresentUsers();
            EXPECT_FALSE(banned());
        }
        pass(left);
        if (rig.link.isOpen()) {
            drop();
        }
    }

    std::int64_t dropAfterMs;
    ClientRig rig;
    int bans = 0;
    Lines red;
    std::int64_t givenUpAtMs = 0;
};

// A server that drops the client at once for every ban line, and one that drops it 6 s after
// (within the window and the grace, while the answer is due): each drop costs the ban a try,
// three end it in one red line, and for ten minutes no entry, join or check of the users
// present opens it again. At ten minutes one does.
TEST(BanBoundsTest, ABanGivenUpIsNotOpenedAgainForTenMinutes) {
    for (const std::int64_t dropAfterMs : {std::int64_t{0}, std::int64_t{6000}}) {
        SCOPED_TRACE(dropAfterMs);
        DroppingServer server(dropAfterMs);
        for (int entry = 0; entry < 25; ++entry) {
            server.session();
        }
        EXPECT_EQ(server.bans, 3);
        EXPECT_EQ(server.red,
                  Lines{"Could not ban evil1: the connection dropped each time it was sent"});
        ASSERT_NE(server.givenUpAtMs, 0);

        // At the bound and one short of it.
        server.rig.clock.ms = server.givenUpAtMs + kHoldMs - 1;
        server.rig.enter("alice", "1001 USER evil1 0010 [CHAT]\r\n");
        EXPECT_FALSE(server.banned()) << "held a millisecond short of ten minutes";
        server.rig.clock.ms += 1;
        server.rig.client->sck_dataarrival("1002 JOIN evil1 0010 [CHAT]\r\n");
        EXPECT_TRUE(server.banned()) << "asked again at ten minutes";
    }
}

// Only a ban of the ban list's that ended undone is held, and only until the patterns
// change; a confirmed one, or one the list did not ask for, holds nothing.
TEST(BanBoundsTest, OnlyTheListsBansGivenUpAreHeldAndOnlyUnderTheSamePatterns) {
    ClientRig rig(Files("SendQuota=100\r\n"));
    const auto server = [&](const std::string& lines) { rig.client->sck_dataarrival(lines); };
    const auto refused = "1019 ERROR \"You cannot ban operators.\"\r\n";
    const auto banned = [](const std::string& name) {
        return "1018 INFO \"" + name + " has been banned by alice (boo).\"\r\n";
    };
    rig.enter("alice", "1001 USER evil1 0010 [CHAT]\r\n1001 USER evil2 0010 [CHAT]\r\n");
    EXPECT_EQ(rig.sent(), (Lines{"/ban evil1 boo", "/ban evil2 boo"}));
    server(refused + banned("evil2"));
    EXPECT_EQ(CouldNot(rig), Lines{"Could not ban evil1: You cannot ban operators."});
    server("1003 LEAVE evil1 0010\r\n1003 LEAVE evil2 0010\r\n");
    server("1002 JOIN evil1 0010 [CHAT]\r\n1002 JOIN evil2 0010 [CHAT]\r\n");
    EXPECT_EQ(rig.sent(), Lines{"/ban evil2 boo"}) << "evil1 is held, evil2 was confirmed";
    server(banned("evil2") + "1003 LEAVE evil2 0010\r\n");

    // A ban the operator asked for that was refused holds nothing.
    rig.client->UserMenuChoice(kMenuBan, "evil3");
    EXPECT_EQ(rig.sent(), Lines{"/ban evil3"});
    server(refused);
    EXPECT_EQ(CouldNot(rig), Lines{"Could not ban evil3: You cannot ban operators."});
    server("1002 JOIN evil3 0010 [CHAT]\r\n");
    EXPECT_EQ(rig.sent(), Lines{"/ban evil3 boo"});
    server(banned("evil3") + "1003 LEAVE evil3 0010\r\n");

    // New patterns: evil1 is asked for again.
    rig.folder.write("shitlist.txt", "evil*\r\nspam*\r\n");
    rig.client->ReloadFiles({"shitlist.txt"});
    EXPECT_EQ(rig.sent(), Lines{"/ban evil1 boo"});
}

// A timed unban against a server that drops the client for each unban line: three lines
// and one red line, however often the client connects again, until ten minutes have passed.
TEST(BanBoundsTest, ATimedUnbanGivenUpIsNotSentAgainForTenMinutes) {
    ClientRig::Files files = Files();
    files["bans.txt"] = "evil1 100\n";
    ClientRig rig(files);
    int unbans = 0;
    Lines red;
    std::int64_t givenUpAtMs = 0;
    const auto session = [&] {
        rig.enter();
        rig.clock.ms += 1000;
        rig.client->Timer1_Timer();  // the unban is due: it goes at the tick
        const Lines sent = rig.sent();
        unbans += static_cast<int>(std::count(sent.begin(), sent.end(), "/unban evil1"));
        rig.link.dropNow();
        rig.client->sck_Close();
        for (const std::string& line : CouldNot(rig)) {
            red.push_back(line);
            givenUpAtMs = rig.clock.ms;
        }
        rig.clock.ms += 19000;
    };
    for (int i = 0; i < 20; ++i) {
        session();
    }
    EXPECT_EQ(unbans, 3);
    EXPECT_EQ(red, Lines{"Could not unban evil1: the connection dropped each time it was sent"});
    rig.clock.ms = givenUpAtMs + kHoldMs - 1000;  // the session's tick comes at the bound
    session();
    EXPECT_EQ(unbans, 4) << "tried again after ten minutes";
}

}  // namespace
}  // namespace varno
