#include "moderation/deed_book.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

using Action = DeedBook::Action;
using Outcome = DeedBook::Outcome;

using Line = DeedBook::Line;

// A line as the send path wrote it: a deed's ("d:/ban x"), the operator's ("t:/ban x"), or
// the connection's probe ("p:/whois alice").
struct Wrote {
    Line what;
    std::string line;
};

Wrote Deed(std::string line) {
    return {Line::Deed, std::move(line)};
}
Wrote Typed(std::string line) {
    return {Line::Loose, std::move(line)};
}

// A book whose lines were opened as deeds (those of Line::Deed) and written in this order,
// in reads before the one now handled.
DeedBook Written(const std::vector<Wrote>& lines) {
    DeedBook book;
    for (const Wrote& w : lines) {
        if (w.what == Line::Deed) {
            const auto deed = DeedBook::Parse(w.line);
            EXPECT_TRUE(deed) << w.line;
            book.Open(deed->first, deed->second, w.line, "");
        }
    }
    book.TakeDue(false, 100);
    std::int64_t ms = 0;
    for (const Wrote& w : lines) {
        book.Written(w.line, w.what, ms++);
    }
    book.Arrived();
    return book;
}

// Replies go to the oldest line written before the read that can draw them, the operator's
// lines among them: their replies are theirs, and settle, refuse or overtake no deed.
TEST(DeedBook, RepliesGoToTheLinesThatDrewThem) {
    struct Case {
        std::string name;
        std::vector<Wrote> wrote;
        bool error;
        std::string text;
        std::optional<Line> line;        // whose reply it is; nothing: no line's
        std::optional<Outcome> outcome;  // of the deed it settles
        std::string deed = "";           // its line
        bool rights = false;
    };
    const std::vector<Wrote> mixed = {Deed("/kick bob flooding"), Deed("/ban Eve boo"),
                                      Deed("/unban zed"), Deed("/ban [Clan]Bob boo")};
    const Case cases[] = {
        {"ban with reason", mixed, false, "eve has been banned by ALICE (boo).", Line::Deed,
         Outcome::Confirmed, "/ban Eve boo"},
        {"ban without reason", mixed, false, "[clan]bob has been banned by alice.", Line::Deed,
         Outcome::Confirmed, "/ban [Clan]Bob boo"},
        {"banned by someone else", mixed, false, "Eve has been banned by alicex.", std::nullopt,
         std::nullopt},
        {"kick", mixed, false, "bob has been kicked by alice (flooding).", Line::Deed,
         Outcome::Confirmed, "/kick bob flooding"},
        {"unban", mixed, false, "Zed is no longer banned from this channel.", Line::Deed,
         Outcome::Confirmed, "/unban zed"},
        {"nothing left to lift", mixed, true, "That user is not banned.", Line::Deed,
         Outcome::Confirmed, "/unban zed"},
        // The gateway sends it as an error; an info line of those words answers nothing.
        {"not banned as an info line", mixed, false, "That user is not banned.", std::nullopt,
         std::nullopt},
        {"not banned, no unban written",
         {Deed("/ban Eve")},
         true,
         "That user is not banned.",
         std::nullopt,
         std::nullopt},
        {"rights: the oldest ban", mixed, true,
         "You have to be at least a Channel Operator to use this command.", Line::Deed,
         Outcome::Refused, "/ban Eve boo", true},
        {"tempOP rights: the oldest kick", mixed, true,
         "You have to be at least a Channel Operator or tempOP to use this command.", Line::Deed,
         Outcome::Refused, "/kick bob flooding", true},
        {"no channel: the oldest of any action", mixed, true,
         "This command can only be used inside a channel.", Line::Deed, Outcome::Refused,
         "/kick bob flooding", true},
        {"not an operator: the oldest unban", mixed, true, "You are not a channel operator.",
         Line::Deed, Outcome::Refused, "/unban zed", true},
        {"ban refusal", mixed, true, "You cannot ban operators.", Line::Deed, Outcome::Refused,
         "/ban Eve boo"},
        {"kick of an absent user", mixed, true, "That user is not logged in.", Line::Deed,
         Outcome::Refused, "/kick bob flooding"},
        {"kick refusal, no kick written",
         {Deed("/ban Eve")},
         true,
         "You cannot kick operators.",
         std::nullopt,
         std::nullopt},
        {"unable to ban names the user", mixed, true, "Unable to ban [CLAN]BOB.", Line::Deed,
         Outcome::Refused, "/ban [Clan]Bob boo"},
        {"unable to ban a name no line has", mixed, true, "Unable to ban X.", Line::Deed,
         Outcome::Refused, "/ban Eve boo"},
        {"no such account (an info line)", mixed, false, "That account doesn't currently exist.",
         Line::Deed, Outcome::Refused, "/ban Eve boo"},
        {"an error nobody knows: the oldest line", mixed, true, "Unknown user.", Line::Deed,
         Outcome::Refused, "/kick bob flooding"},
        {"news", mixed, false, "Eve has been banned", std::nullopt, std::nullopt},
        {"a drop notice", mixed, true, "Your message quota has been exceeded!", std::nullopt,
         std::nullopt},
        // The operator's lines keep their replies.
        {"typed ban refused first",
         {Typed("/ban sysop"), Deed("/ban spam1 boo")},
         true,
         "You cannot ban administrators.",
         Line::Loose,
         std::nullopt},
        {"typed unban of no ban first",
         {Typed("/unban ghost"), Deed("/unban bob")},
         true,
         "That user is not banned.",
         Line::Loose,
         std::nullopt},
        {"typed ban of the same name first",
         {Typed("/BAN spam1"), Deed("/ban spam1 boo")},
         false,
         "spam1 has been banned by alice.",
         Line::Loose,
         std::nullopt},
        {"a deed's reply after a typed line",
         {Typed("/ban sysop"), Deed("/ban spam1 boo")},
         false,
         "spam1 has been banned by alice (boo).",
         Line::Deed,
         Outcome::Confirmed,
         "/ban spam1 boo"},
        {"the welcome after the login's channel line",
         {{Line::Command, "/join Lobby"}, Deed("/ban spam1 boo")},
         true,
         "Hello alice, welcome to Gateway Realm!",
         Line::Command,
         std::nullopt},
        {"an error for a typed command",
         {Typed("/whois nobody"), Deed("/ban spam1")},
         true,
         "Unknown user.",
         Line::Command,
         std::nullopt},
        {"news while the login's channel line waits",
         {{Line::Command, "/join Lobby"}, {Line::Probe, "/whois alice"}},
         false,
         "This is the public chat channel.",
         Line::Probe,
         std::nullopt},
        {"the probe's answer",
         {Deed("/ban spam1"), {Line::Probe, "/whois alice"}},
         false,
         "alice is using Chat and is currently in channel \"Lobby\".",
         Line::Probe,
         std::nullopt},
    };
    for (const Case& c : cases) {
        DeedBook book = Written(c.wrote);
        const std::size_t open = book.open();
        const auto answer = book.OnReply(ReadServerReply(c.error, c.text, "alice"), c.text);
        ASSERT_EQ(answer.has_value(), c.line.has_value()) << c.name;
        if (!answer) {
            EXPECT_EQ(book.open(), open) << c.name;
            continue;
        }
        EXPECT_EQ(answer->line, *c.line) << c.name;
        ASSERT_EQ(answer->ended.has_value(), c.outcome.has_value()) << c.name;
        if (!answer->ended) {
            EXPECT_EQ(book.open(), open) << c.name;
            EXPECT_TRUE(book.Expire(0, 500).empty()) << c.name << ": no deed overtaken";
            continue;
        }
        EXPECT_EQ(answer->ended->outcome, *c.outcome) << c.name;
        EXPECT_EQ(answer->ended->deed.line, c.deed) << c.name;
        EXPECT_EQ(answer->ended->rights, c.rights) << c.name;
        EXPECT_EQ(answer->ended->text, *c.outcome == Outcome::Refused ? c.text : "") << c.name;
        EXPECT_EQ(book.open(), open - 1) << c.name;
    }
}

// A reply read in the same read as the line was written cannot be its answer; a kick whose
// user left is refused without a word; a typed confirmation overtakes no deed written after
// the typed line.
TEST(DeedBook, WhatCanAndCannotBeAnAnswer) {
    DeedBook book = Written({Deed("/ban early")});
    book.Open(Action::Ban, "late", "/ban late", "");
    ASSERT_EQ(book.TakeDue(false, 9), std::vector<std::string>{"/ban late"});
    book.Written("/ban late", Line::Deed, 5);
    const auto reply = [&](bool error, const std::string& text) {
        return book.OnReply(ReadServerReply(error, text, "alice"), text);
    };
    EXPECT_FALSE(reply(false, "late has been banned by alice.")) << "written in this read";
    EXPECT_FALSE(reply(true, "Unknown user.").value().ended.value().deed.line.empty());
    EXPECT_EQ(book.open(), 1u) << "the unknown error refused the older deed";
    book.Arrived();
    EXPECT_TRUE(reply(false, "late has been banned by alice.").value().ended);

    DeedBook kicks = Written({Deed("/kick bob flooding")});
    kicks.Left("BOB");
    const auto moot =
        kicks.OnReply(ReadServerReply(true, "That user is not in this channel.", "alice"), "");
    EXPECT_EQ(moot.value().ended.value().outcome, Outcome::Moot);

    DeedBook overtaking =
        Written({Typed("/ban spam3"), Deed("/ban spam1"), Deed("/ban spam2"), Deed("/ban spam3")});
    EXPECT_EQ(
        overtaking.OnReply(ReadServerReply(false, "spam3 has been banned by alice.", "alice"), "")
            .value()
            .line,
        Line::Loose);
    EXPECT_TRUE(overtaking.Expire(0, 500).empty());
    EXPECT_EQ(overtaking.open(), 3u) << "nothing settled, nothing overtaken";
    EXPECT_TRUE(
        overtaking.OnReply(ReadServerReply(false, "spam2 has been banned by alice.", "alice"), "")
            .value()
            .ended);
    EXPECT_EQ(overtaking.Expire(0, 500).size(), 0u);
    EXPECT_EQ(overtaking.TakeDue(true, 9), std::vector<std::string>{"/ban spam1"})
        << "overtaken by a deed's answer: sent again at once";
}

// The operator's lines draw one reply each, on the connection they were written on: a
// second refusal belongs to the next line that can draw it, and after a drop no reply is
// paired with a line of the old connection.
TEST(DeedBook, ATypedLineHasOneReplyAndOnlyOnItsOwnConnection) {
    const auto reply = [](DeedBook& book, bool error, const std::string& text) {
        return book.OnReply(ReadServerReply(error, text, "alice"), text);
    };
    DeedBook twice = Written({Typed("/ban op1"), Deed("/ban op2 boo")});
    EXPECT_EQ(reply(twice, true, "You cannot ban operators.").value().line, Line::Loose);
    const auto second = reply(twice, true, "You cannot ban operators.");
    ASSERT_TRUE(second && second->ended);
    EXPECT_EQ(second->ended->deed.line, "/ban op2 boo");
    EXPECT_EQ(second->ended->outcome, Outcome::Refused);

    for (const auto& [error, text] : {std::pair{true, std::string("You cannot ban operators.")},
                                      std::pair{false, std::string("x has been banned by alice.")},
                                      std::pair{true, std::string("Unknown user.")}}) {
        SCOPED_TRACE(text);
        DeedBook book = Written({Typed("/ban x"), {Line::Command, "/whois bob"}});
        book.Open(Action::Ban, "x", "/ban x boo", "");
        EXPECT_TRUE(book.Dropped(100, 500).empty());
        ASSERT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban x boo"});
        book.Written("/ban x boo", Line::Deed, 200);
        book.Arrived();
        const auto answer = reply(book, error, text);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->line, Line::Deed) << "the old connection's lines have no reply";
        EXPECT_EQ(book.open(), 0u);
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
    book.Written("/ban eve", Line::Deed, 0);
    book.Written("/kick bob", Line::Deed, 0);
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
    book.Written("/ban eve", Line::Deed, 1000);
    const auto ended = book.Expire(1000 + kDue, kWindow);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].outcome, Outcome::NoAnswer);
    EXPECT_EQ(ended[0].deed.tries, DeedBook::kMaxTries);
    EXPECT_EQ(book.open(), 0u);
}

// A drop once a deed's answer is overdue costs it no try; a drop while its answer is due
// (within the window and the grace) does, and three such drops end the deed.
TEST(DeedBook, DropsCountAsTriesWhileTheAnswerIsDue) {
    constexpr std::int64_t kWindow = 5000;
    constexpr std::int64_t kBlame = kWindow + DeedBook::kGraceMs;
    DeedBook book;
    book.Open(Action::Ban, "a", "/ban a", "");
    ASSERT_EQ(book.TakeDue(false, 9), std::vector<std::string>{"/ban a"});
    book.Written("/ban a", Line::Deed, 0);
    EXPECT_TRUE(book.Dropped(kBlame + 1, kWindow).empty());
    EXPECT_TRUE(book.TakeDue(false, 9).empty()) << "retries wait for the login";
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban a"});
    book.Written("/ban a", Line::Deed, 10);
    book.Arrived();
    EXPECT_TRUE(book.OnReply(ReadServerReply(false, "a has been banned by me.", "me"), ""));
    EXPECT_FALSE(book.OnReply(ReadServerReply(false, "a has been banned by me.", "me"), ""))
        << "settled once";

    // b's lines are each met by a drop at the bound; c's last one a millisecond past it.
    book.Open(Action::Ban, "b", "/ban b", "");
    book.Open(Action::Ban, "c", "/ban c", "");
    std::vector<DeedBook::Ended> ended;
    for (int drop = 1; drop <= DeedBook::kMaxTries; ++drop) {
        const std::int64_t now = drop * 60000;
        ASSERT_EQ(book.TakeDue(true, 9), (std::vector<std::string>{"/ban b", "/ban c"}));
        book.Written("/ban b", Line::Deed, now);
        book.Written("/ban c", Line::Deed, now - (drop == DeedBook::kMaxTries ? 1 : 0));
        ended = book.Dropped(now + kBlame, kWindow);
        EXPECT_EQ(ended.empty(), drop < DeedBook::kMaxTries) << drop;
    }
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].deed.name, "b");
    EXPECT_EQ(ended[0].outcome, Outcome::Dropped);
    EXPECT_EQ(ended[0].deed.tries, DeedBook::kMaxTries);
    EXPECT_EQ(book.open(), 1u) << "c lost no try to the last drop";
    EXPECT_EQ(book.TakeDue(true, 9), std::vector<std::string>{"/ban c"});
}

}  // namespace
}  // namespace varno
