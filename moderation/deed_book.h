#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moderation/server_reply.h"

namespace varno {

// The bans, kicks and unbans this program sends of its own, each open until the server's
// reply settles it, and every other line on the connection that the server will answer. A
// handed-out line is not a deed done: a gateway drops lines past its quota without a word,
// and a connection may drop with lines still waiting. So a deed is confirmed or refused only
// by the server's reply, sent again when its line was lost or got no answer, and given up
// after kMaxTries lines.
//
// A gateway answers a connection's command lines in the order they came, one reply each. A
// reply therefore belongs to the oldest written line that can draw it: a confirmation to
// the oldest line of its action and name, a nameless refusal to the oldest line of its
// action, an error nobody knows to the oldest line of all, and an info line of no such
// meaning to the probe, if one is out. The operator's own lines are in
// that order too, so the reply to a typed "/ban" is the typed line's, and never settles,
// refuses or overtakes a deed. A line can be answered only by what was read after it was
// written: lines written while a read is handled wait for the next one. A deed whose line
// was written before one that got its answer will get none: it counts as unanswered at once.
//
// One deed is open per action and name (ASCII case folded): asking again while it is open
// sends nothing more, and the line of the first asker is the one that goes.
//
// The book knows no connection and no clock: the caller hands out the lines it takes, tells
// what became of them and brings the time.
class DeedBook {
public:
    using Action = ModerationAction;
    enum class Outcome {
        Confirmed,   // the server did it
        Refused,     // the server would not; text holds its words
        NoAnswer,    // kMaxTries lines went without a reply
        Dropped,     // the connection dropped before the answer to each of kMaxTries lines
        Unsendable,  // the line cannot be sent at all; text says why
        Moot,        // a kick whose user left before a reply
    };
    // What a written line that the server will answer came from.
    enum class Line {
        Deed,     // a deed's line
        Loose,    // a ban, kick or unban of no deed: typed by the operator, or sent unpaced
        Command,  // any other command (a typed /whois, the login's channel line)
        Probe,    // the connection's probe of a silent server
    };

    struct Deed {
        Action action = Action::Ban;
        std::string name;   // as sent
        std::string line;   // the whole line, as the first asker gave it
        std::string note;   // what the operator is told once it is confirmed; may be empty
        int tries = 0;      // lines handed out for it (not counting those a drop met unsent)
        int drops = 0;      // tries the connection dropped soon after
        bool sent = false;  // a line was handed out for it before
        bool handed = false;
        std::optional<std::int64_t> writtenMs;
        std::uint64_t writtenSeq = 0;   // the order lines were written in
        std::uint64_t writtenRead = 0;  // the read being handled when it was written
        bool left = false;              // a kick whose user has left the channel
        bool overtaken = false;         // a line written after its own was answered first
    };

    struct Ended {
        Deed deed;
        Outcome outcome = Outcome::Confirmed;
        std::string text;     // the server's refusal, or why the line cannot be sent
        bool rights = false;  // the refusal is one every deed would meet: tell it once
    };

    // A reply paired with the line that drew it.
    struct Answer {
        Line line = Line::Deed;
        std::optional<Ended> ended;  // the deed it settled, for a deed's line
        std::uint64_t written = 0;   // for a line of no deed: its number (see Written)
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

    // A line written to the server. Line::Deed: matched to the oldest deed that handed it out
    // (a line of no such deed is Loose). A Loose line that names no one is a Command.
    // Returns the line's number: lines are numbered in the order they were written.
    std::uint64_t Written(std::string_view line, Line what, std::int64_t nowMs);
    // Whether the line of that number, one of no deed, still waits for its answer: neither
    // answered, nor forgotten as unanswered (see Expire), nor met by a drop.
    bool Awaits(std::uint64_t written) const;
    // A deed's line dropped or discarded unwritten; tried: whether it counts as a try (a line
    // that waited when the connection dropped never reached the server, and does not).
    std::optional<Ended> Lost(std::string_view line, bool tried);
    // A deed's line that can never be sent: the deed ends with why, untried again.
    std::optional<Ended> Unsendable(std::string_view line, std::string_view why);

    // A read from the server begins: what it holds may answer the lines written before it.
    void Arrived() { ++reads_; }
    // The server's reply, read with ReadServerReply; text: the line's own words. Nothing
    // when no line waiting for an answer can have drawn it.
    std::optional<Answer> OnReply(const ServerReply& reply, std::string_view text);
    // A user left the channel: a kick of that user is moot unless confirmed.
    void Left(std::string_view name);

    // Deeds whose line went unanswered for windowMs + kGraceMs, or was overtaken, wait to be
    // sent again; those out of tries end. A moot kick ends without a word. Other lines
    // unanswered that long are forgotten.
    std::vector<Ended> Expire(std::int64_t nowMs, std::int64_t windowMs);
    // The connection dropped at nowMs: lines written on it will get no reply. Every open
    // deed waits to be sent again after the login. A line that met the drop while its answer
    // was still due (within windowMs + kGraceMs of its writing) counts as a try, since the
    // line may be what the server dropped the client for: a server that drops the client
    // for a line, at once or later, sees it kMaxTries times.
    std::vector<Ended> Dropped(std::int64_t nowMs, std::int64_t windowMs);

private:
    // A written line of no deed that waits for its answer.
    struct Pending {
        Line what = Line::Command;
        std::optional<Action> action;
        std::string name;
        std::int64_t writtenMs = 0;
        std::uint64_t seq = 0;
        std::uint64_t read = 0;
    };
    // Where a reply goes: a deed (index into deeds_) or a pending line (index into pending_).
    struct Drawer {
        bool deed = false;
        std::size_t index = 0;
    };

    std::optional<Ended> End(std::size_t index, Outcome outcome, std::string text = "",
                             bool rights = false);
    std::optional<std::size_t> Find(Action action, std::string_view name) const;
    // The oldest line written before the read now handled that can draw the reply.
    std::optional<Drawer> Oldest(const ServerReply& reply) const;
    // Forgets the pending lines written before seq: their answers went by.
    void ForgetBefore(std::uint64_t seq);
    // Back to waiting, or ended when out of tries.
    std::optional<Ended> Unanswered(std::size_t index);

    std::vector<Deed> deeds_;      // in the order they were opened
    std::deque<Pending> pending_;  // oldest first
    std::uint64_t writes_ = 0;
    std::uint64_t reads_ = 0;
};

}  // namespace varno
