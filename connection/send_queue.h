#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The pacing of outgoing lines. A gateway counts every line a client sends after the login
// in units (a unit per 40 bytes begun, at least one) over a rolling window, drops lines past
// its quota and closes the connection of a client that keeps on sending. This queue writes a
// line only while the units written within the window plus its own stay within the quota;
// the rest wait, moderation lines (bans, kicks, unbans) and the connection's probe ahead of
// chat lines, each in the order it came. An emote ("/me" or "/emote") costs twice: the units of its
// line, as a command, and those of its text, as the emote. When the gateway says it dropped a line,
// it counted more than the queue did: Hold keeps every line back for a whole window.
//
// The queue knows no clock and no connection: each call brings the time, and the caller
// writes what it hands out.
class SendQueue {
public:
    // Who gave a line: the program's own chat (the idle message, a trigger's answer), the
    // operator (typed, or chosen in the user menu), a deed (a ban, kick or unban of the
    // program's own) or the connection (a probe of a silent server). Moderation and Probe
    // lines go ahead of the others.
    enum class Kind { Chat, Typed, Moderation, Probe };

    // A line as it waits, without its CR LF.
    struct Line {
        std::string text;
        Kind kind = Kind::Chat;
    };

    // What became of a text given to Add.
    enum class Added {
        Queued,
        QueuedPushingOutChat,  // full: the oldest waiting chat line made room for it
        Full,                  // full: the text was dropped
        TooLong,               // a line of it is longer than a gateway takes: dropped
    };

    struct Pace {
        std::uint64_t quota = 4;  // units a window may hold; 0: no pacing at all
        std::int64_t windowMs = 5000;

        bool on() const { return quota > 0; }
    };

    static constexpr std::size_t kMaxWaiting = 200;
    static constexpr std::size_t kMaxLineBytes = 200;
    static constexpr std::size_t kBytesPerUnit = 40;
    static constexpr std::uint64_t kMaxQuota = 1000000;
    static constexpr std::int64_t kMaxWindowMs = 1000000000;

    // The units a line of this many bytes (without its CR LF) costs.
    static std::uint64_t Units(std::size_t length);
    // The units a gateway charges for line: an emote's text is charged once more.
    static std::uint64_t LineUnits(std::string_view line);
    // The text of an emote line ("/me TEXT", "/emote TEXT"); nothing for any other line.
    static std::optional<std::string_view> EmoteText(std::string_view line);
    // Whether a gateway's error text says it dropped a line for sending too fast.
    static bool IsDropNotice(std::string_view text);

    // How long a written line stays counted: the window and a fortieth of it more, so that
    // lines held up unevenly on their way still reach the gateway a whole window apart.
    static std::int64_t CountedMs(std::int64_t windowMs) { return windowMs + windowMs / 40; }

    // The pace the SendQuota and SendWindow settings ask for, blanks around them aside; a
    // missing, empty or non-numeric value takes its default.
    static Pace PaceOf(std::string_view quota, std::string_view window);

    // Whether line holds a byte that no line may hold: a CR or LF, where the gateway would end
    // the line and read the rest as a line of its own, or a NUL, where a gateway that reads
    // C strings ends it. The send path refuses such a line before it reaches the queue.
    static bool BreaksLine(std::string_view line);
    // Whether line is longer than a gateway takes at this pace: lines are refused for their
    // length only while pacing is on.
    static bool TooLong(Pace pace, std::string_view line) {
        return pace.on() && line.size() > kMaxLineBytes;
    }

    void setPace(Pace pace) { pace_ = pace; }
    Pace pace() const { return pace_; }

    // Lines as the caller would write them, each without its CR LF and holding no CR, LF or
    // NUL (see BreaksLine): they wait together, in order, and each is counted on its own;
    // when one is too long or there is no room for all, none is taken. With pacing off
    // nothing is refused.
    Added Add(std::initializer_list<std::string_view> lines, Kind kind);
    Added Add(std::string_view line, Kind kind) { return Add({line}, kind); }

    // Appends to out, each with its CR LF, the waiting lines that may be written at nowMs,
    // in the order they go, and counts them as written. Returns how many. The lines also go
    // to lines, when given, with who gave them.
    std::size_t TakeDue(std::int64_t nowMs, std::string& out, std::vector<Line>* lines = nullptr);

    // The gateway dropped a line at nowMs: nothing is written before a whole window has
    // passed since. Nothing while pacing is off.
    void Hold(std::int64_t nowMs);

    // A line written past the queue (the login's channel line): counted from nowMs on.
    void Count(std::int64_t nowMs, std::size_t length);

    // How long after nowMs the first waiting line may go; nothing while none waits.
    std::optional<std::int64_t> WaitMs(std::int64_t nowMs);

    std::size_t waiting() const { return moderation_.size() + chat_.size(); }

    // Drops the waiting lines and gives the moderation lines among them; the written ones
    // stay counted.
    std::vector<std::string> Discard();
    // A new connection: nothing waits and nothing is counted.
    void Restart();

private:
    struct Written {
        std::int64_t atMs;
        std::uint64_t units;
    };

    const Line& Next() const;
    // Whether Hold keeps lines back at nowMs.
    bool Held(std::int64_t nowMs);
    void Pop();
    // Forgets the lines that no longer count at nowMs; returns the units of those that do.
    std::uint64_t CountedUnits(std::int64_t nowMs);

    Pace pace_;
    std::deque<Line> moderation_;  // and probes: ahead
    std::deque<Line> chat_;        // and typed lines
    std::deque<Written> written_;  // oldest first
    std::optional<std::int64_t> heldUntilMs_;
};

// What the operator sees of the waiting lines: nothing while none waits.
std::string WaitingLinesText(std::size_t waiting);

}  // namespace varno
