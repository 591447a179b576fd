#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The bans, kicks and unbans this program sends of its own, each open until the server's
// reply settles it. A handed-out line is not a deed done: a gateway drops lines past its
// quota without a word, and a connection may drop with lines still waiting. So a deed is
// confirmed or refused only by the server's reply, sent again when its line was lost or got
// no answer, and given up after kMaxTries lines. A gateway answers lines in the order they
// came, so a deed whose line was written before one that got its answer will get none: it
// counts as unanswered at once, without waiting out the send window.
//
// One deed is open per action and name (ASCII case folded): asking again while it is open
// sends nothing more, and the line of the first asker is the one that goes.
//
// The book knows no connection and no clock: the caller hands out the lines it takes, tells
// what became of them and brings the time.
class DeedBook {
public:
    enum class Action { Ban, Kick, Unban };
    enum class Outcome {
        Confirmed,  // the server did it
        Refused,    // the server would not; text holds its words
        NoAnswer,   // kMaxTries lines went without a reply
        Moot,       // a kick whose user left before a reply
    };

    struct Deed {
        Action action = Action::Ban;
        std::string name;   // as sent
        std::string line;   // the whole line, as the first asker gave it
        std::string note;   // what the operator is told once it is confirmed; may be empty
        int tries = 0;      // lines handed out for it (not counting those a drop met)
        bool sent = false;  // a line was handed out for it before
        bool handed = false;
        std::optional<std::int64_t> writtenMs;
        std::uint64_t writtenSeq = 0;  // the order lines were written in
        bool left = false;             // a kick whose user has left the channel
        bool overtaken = false;        // a line written after its own was answered first
    };

    struct Ended {
        Deed deed;
        Outcome outcome = Outcome::Confirmed;
        std::string text;     // the server's refusal
        bool rights = false;  // the refusal says this client is no channel operator
    };

    static constexpr int kMaxTries = 3;
    // A written line gets a reply within the send window and this much more, or none.
    static constexpr std::int64_t kGraceMs = 2000;

    // The action and name of a moderation line: "/ban NAME ...", "/kick NAME ...",
    // "/unban NAME" (command without regard to case, blanks before the name skipped).
    static std::optional<std::pair<Action, std::string>> Parse(std::string_view line);
    static std::string_view Verb(Action action);

    // Opens a deed for line; false when one for the same action and name is open already.
    bool Open(Action action, std::string_view name, std::string_view line, std::string note);
    bool IsOpen(Action action, std::string_view name) const;
    std::size_t open() const { return deeds_.size(); }

    // The lines of at most room deeds that wait to be sent, in the order the deeds were
    // opened; each counts as a try. retries: also those sent before (not before a new login).
    std::vector<std::string> TakeDue(bool retries, std::size_t room);

    // What became of a handed line (matched to the oldest deed that handed it out).
    void Written(std::string_view line, std::int64_t nowMs);
    // Dropped or discarded unwritten; tried: whether it counts as a try (a line that waited
    // when the connection dropped never reached the server, and does not).
    std::optional<Ended> Lost(std::string_view line, bool tried);

    // The server's replies: an info line (1018) and an error line (1019). own: the name the
    // server knows this client by. A reply that settles no deed gives nothing.
    std::optional<Ended> OnInfo(std::string_view text, std::string_view own);
    std::optional<Ended> OnError(std::string_view text);
    // A user left the channel: a kick of that user is moot unless confirmed.
    void Left(std::string_view name);

    // Deeds whose line went unanswered for windowMs + kGraceMs, or was overtaken, wait to be
    // sent again; those out of tries end. A moot kick ends without a word.
    std::vector<Ended> Expire(std::int64_t nowMs, std::int64_t windowMs);
    // A new connection: lines written on the last one will get no reply, lines waiting were
    // discarded. Every open deed waits to be sent again after the login; the line that met
    // the drop is not counted as a try (the tries bound a server that stays silent).
    std::vector<Ended> Reconnected();

    // The name an unban confirmation lifts ("NAME is no longer banned from this channel."),
    // whoever sent the unban.
    static std::optional<std::string_view> UnbannedName(std::string_view text);
    // The name a ban confirmation names ("NAME has been banned by OWN ..."), own being this
    // client's name.
    static std::optional<std::string_view> BannedName(std::string_view text, std::string_view own);

private:
    std::optional<Ended> End(std::size_t index, Outcome outcome, std::string text = "",
                             bool rights = false);
    std::optional<std::size_t> Find(Action action, std::string_view name) const;
    // The oldest written deed a nameless refusal can belong to (nothing: any action).
    std::optional<std::size_t> OldestWritten(std::optional<Action> action) const;
    // Back to waiting, or ended when out of tries.
    std::optional<Ended> Unanswered(std::size_t index);

    std::vector<Deed> deeds_;  // in the order they were opened
    std::uint64_t writes_ = 0;
};

}  // namespace varno
