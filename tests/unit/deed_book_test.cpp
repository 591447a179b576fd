#include "moderation/deed_book.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

using Action = DeedBook::Action;
using Outcome = DeedBook::Outcome;

// A book whose deeds were opened in this order and their lines written.
DeedBook Written(const std::vector<std::string>& lines) {
    DeedBook book;
    for (const std::string& line : lines) {
        const auto deed = DeedBook::Parse(line);
        EXPECT_TRUE(deed) << line;
        book.Open(deed->first, deed->second, line, "");
    }
    std::int64_t ms = 0;
    for (const std::string& line : book.TakeDue(false, 100)) {
        book.Written(line, ms++);
    }
    return book;
}

TEST(DeedBook, RepliesSettleTheDeedTheyBelongTo) {
    struct Case {
        std::string name;
        std::vector<std::string> open;
        bool error;
        std::string text;
        std::optional<Outcome> outcome;  // nothing: the reply settles no deed
        std::string line;                // of the deed it settles
        bool rights = false;
    };
    const std::vector<std::string> mixed = {"/kick bob flooding", "/ban Eve boo", "/unban zed",
                                            "/ban [Clan]Bob boo"};
    const Case cases[] = {
        {"ban with reason", mixed, false, "eve has been banned by ALICE (boo).", Outcome::Confirmed,
         "/ban Eve boo"},
        {"ban without reason", mixed, false, "[clan]bob has been banned by alice.",
         Outcome::Confirmed, "/ban [Clan]Bob boo"},
        {"banned by someone else", mixed, false, "Eve has been banned by alicex.", std::nullopt,
         ""},
        {"kick", mixed, false, "bob has been kicked by alice (flooding).", Outcome::Confirmed,
         "/kick bob flooding"},
        {"unban", mixed, false, "Zed is no longer banned from this channel.", Outcome::Confirmed,
         "/unban zed"},
        {"nothing left to lift", mixed, true, "That user is not banned.", Outcome::Confirmed,
         "/unban zed"},
        {"not banned, no unban open",
         {"/ban Eve"},
         true,
         "That user is not banned.",
         std::nullopt,
         ""},
        {"rights: the oldest written of any action", mixed, true,
         "You have to be at least a Channel Operator to use this command.", Outcome::Refused,
         "/kick bob flooding", true},
        {"tempOP rights", mixed, true,
         "You have to be at least a Channel Operator or tempOP to use this command.",
         Outcome::Refused, "/kick bob flooding", true},
        {"not an operator", mixed, true, "You are not a channel operator.", Outcome::Refused,
         "/kick bob flooding", true},
        {"ban refusal goes to the oldest ban", mixed, true, "You cannot ban operators.",
         Outcome::Refused, "/ban Eve boo"},
        {"admin", mixed, true, "You cannot ban administrators.", Outcome::Refused, "/ban Eve boo"},
        {"kick refusal", mixed, true, "You cannot kick operators.", Outcome::Refused,
         "/kick bob flooding"},
        {"kick of an absent user", mixed, true, "That user is not logged in.", Outcome::Refused,
         "/kick bob flooding"},
        {"kick refusal, no kick open",
         {"/ban Eve"},
         true,
         "You cannot kick operators.",
         std::nullopt,
         ""},
        {"unable to ban names the user", mixed, true, "Unable to ban [CLAN]BOB.", Outcome::Refused,
         "/ban [Clan]Bob boo"},
        {"no such account (an info line)", mixed, false, "That account doesn't currently exist.",
         Outcome::Refused, "/kick bob flooding"},
        {"other error", mixed, true, "Unknown user.", std::nullopt, ""},
        {"chat info", mixed, false, "Eve has been banned", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        DeedBook book = Written(c.open);
        const auto ended = c.error ? book.OnError(c.text) : book.OnInfo(c.text, "alice");
        ASSERT_EQ(ended.has_value(), c.outcome.has_value()) << c.name;
        if (!ended) {
            EXPECT_EQ(book.open(), c.open.size()) << c.name;
            continue;
        }
        EXPECT_EQ(ended->outcome, *c.outcome) << c.name;
        EXPECT_EQ(ended->deed.line, c.line) << c.name;
        EXPECT_EQ(ended->rights, c.rights) << c.name;
        EXPECT_EQ(ended->text, *c.outcome == Outcome::Refused ? c.text : "") << c.name;
        EXPECT_EQ(book.open(), c.open.size() - 1) << c.name;
    }
}

TEST(DeedBook, OneOpenDeedPerActionAndNameWhateverTheCase) {
    DeedBook book;
    EXPECT_TRUE(book.Open(Action::Ban, "Spam", "/ban Spam first", ""));
    EXPECT_FALSE(book.Open(Action::Ban, "sPAM", "/ban sPAM second", ""));
    EXPECT_TRUE(book.Open(Action::Kick, "spam", "/kick spam", ""));
    EXPECT_FALSE(book.Open(Action::Ban, "", "/ban ", ""));
    EXPECT_EQ(book.TakeDue(false, 1), (std::vector<std::string>{"/ban Spam first"}));
    EXPECT_EQ(book.TakeDue(false, 5), (std::vector<std::string>{"/kick spam"}));
    EXPECT_TRUE(book.TakeDue(true, 5).empty()) << "handed out already";
    EXPECT_EQ(DeedBook::Parse("/BAN   Eve  why"), (std::pair{Action::Ban, std::string("Eve")}));
    EXPECT_EQ(DeedBook::Parse("/unban x"), (std::pair{Action::Unban, std::string("x")}));
    EXPECT_FALSE(DeedBook::Parse("/ban   "));
    EXPECT_FALSE(DeedBook::Parse("/banx y"));
}

TEST(DeedBook, UnansweredDeedsAreSentAgainThreeTimesInAllThenGivenUp) {
    constexpr std::int64_t kWindow = 500;
    constexpr std::int64_t kDue = kWindow + DeedBook::kGraceMs;
    DeedBook book;
    book.Open(Action::Ban, "eve", "/ban eve", "");
    book.Open(Action::Kick, "bob", "/kick bob", "");

    // Try 1: written, and one millisecond short of the wait nothing happens.
    ASSERT_EQ(book.TakeDue(false, 9).size(), 2u);
    book.Written("/ban eve", 0);
    book.Written("/kick bob", 0);
    book.Left("BOB");
    EXPECT_TRUE(book.Expire(kDue - 1, kWindow).empty());
    EXPECT_TRUE(book.TakeDue(true, 9).empty());
    const auto moot = book.Expire(kDue, kWindow);
    ASSERT_EQ(moot.size(), 1u);
    EXPECT_EQ(moot[0].outcome, Outcome::Moot) << "the kicked user left";

    // Try 2 is lost unwritten with the connection (no try), try 2 again is dropped by the
    // queue, try 3 is written and unanswered.
    EXPECT_EQ(book.TakeDue(false, 9), std::vector<std::string>{}) << "retries wait for a login";
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban eve"});
    EXPECT_FALSE(book.Lost("/ban eve", false));
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban eve"});
    EXPECT_FALSE(book.Lost("/ban eve", true));
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban eve"});
    book.Written("/ban eve", 1000);
    const auto ended = book.Expire(1000 + kDue, kWindow);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].outcome, Outcome::NoAnswer);
    EXPECT_EQ(ended[0].deed.tries, DeedBook::kMaxTries);
    EXPECT_EQ(book.open(), 0u);
}

TEST(DeedBook, OpenDeedsSurviveAReconnectWithoutLosingATry) {
    DeedBook book;
    for (const char* name : {"a", "b", "c"}) {
        book.Open(Action::Ban, name, std::string("/ban ") + name, "");
    }
    ASSERT_EQ(book.TakeDue(false, 2).size(), 2u);
    book.Written("/ban a", 0);
    EXPECT_TRUE(book.Reconnected().empty());
    EXPECT_EQ(book.TakeDue(false, 9), std::vector<std::string>{"/ban c"});
    EXPECT_EQ(book.TakeDue(true, 9), (std::vector<std::string>{"/ban a", "/ban b"}));
    EXPECT_TRUE(book.OnInfo("a has been banned by me.", "me"));
    EXPECT_FALSE(book.OnInfo("a has been banned by me.", "me")) << "settled once";

    // Replies come in the order lines went: c answered first means b's line was lost.
    book.Written("/ban b", 10);
    book.Written("/ban c", 11);
    EXPECT_TRUE(book.OnInfo("c has been banned by me.", "me"));
    EXPECT_TRUE(book.Expire(12, 500).empty());
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban b"}) << "without waiting";
}

}  // namespace
}  // namespace varno
