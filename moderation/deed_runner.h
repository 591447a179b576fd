#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "connection/connection.h"
#include "log/log_writer.h"
#include "moderation/deed_book.h"

namespace varno {

// Runs the bans, kicks and unbans of the program's own over the connection. While lines are
// paced (SendQuota above 0), each is a deed of the DeedBook: handed to the connection as far
// as the queue has room, told what became of its line, ended by the server's reply, sent
// again when lost or unanswered, and reported when it fails ("Could not ban NAME: ..." in
// red; a refusal every deed meets, once a session). With pacing off, a line sent is taken
// as done.
class DeedRunner {
public:
    struct Hooks {
        // A ban, kick or unban ended: done when the server confirmed it (or, with pacing off,
        // when its line was sent), else refused or given up.
        std::function<void(DeedBook::Action action, std::string_view name, bool done)> ended;
        // The end of a deed a script asked for: done when the server confirmed it, else the
        // server's words or why it was given up.
        std::function<void(std::string_view script, DeedBook::Action action, std::string_view name,
                           bool done, std::string_view text)>
            scriptDeedEnded;
    };

    DeedRunner(LogWriter& writer, Clock& clock, Connection& connection, Hooks hooks);

    // What became of a ban, kick or unban asked for.
    enum class Asked {
        Open,     // a deed, opened now or merged into an equal one open already
        Sent,     // pacing off: sent, and taken as done
        Refused,  // its line can't be sent (see Connection::Unsendable): said in one red line
        Down,     // not connected: nothing is done
    };
    // Sends line as a deed (note: its orange line once done), or at once with pacing off. A
    // line that can never be sent opens no deed.
    Asked Do(std::string_view line, std::string note);
    // A script may wait on this many deeds at once.
    static constexpr std::size_t kMaxScriptDeeds = 100;
    // A script's ban, kick or unban: as Do, but only the server's confirmation is done, with
    // pacing off as well (its note and the record of a timed ban follow it then). Returns ""
    // when a deed is opened, or merged into an equal one open already, else why not: "not
    // connected", why its line can't be sent, or "too many open deeds (100)" while
    // kMaxScriptDeeds wait for the script (said in one red line, naming it as who, "Script
    // NAME" for a script, each time the cap is met).
    // The end is told to the script once per deed through Hooks::scriptDeedEnded, never
    // while it runs: the server's words, or why it was given up; unpaced, "sent; the server
    // did not answer" after the window and its grace, and "sent; the connection dropped".
    std::string ScriptModeration(std::string_view script, std::string_view who,
                                 std::string_view line, std::string note);
    // Opens a deed without sending it: it goes at the next Flush.
    void Open(DeedBook::Action action, std::string_view name, std::string_view line,
              std::string note);

    // A new connection begins; the server has let this client in. Deeds sent on an earlier
    // connection go again after the login.
    void OnConnect();
    void OnLoggedIn();
    bool loggedIn() const { return loggedIn_; }
    // A read from the server begins: its replies may answer the lines written before it.
    void Arrived() { deeds_.Arrived(); }
    // Tells the scripts of the ends that came while one of them ran.
    void TellDeferred();
    // Ends or sends again the deeds whose lines went unanswered.
    void Expire();
    // Hands the connection the lines of the deeds that wait, as far as the queue has room.
    void Flush();

    // A server info or error line, paired with the line it answers (see DeedBook); returns
    // whether the server's line is not to be shown: a refusal of a deed, which the log tells
    // of in its own words, a kick's refusal whose user left, and the answer to the probe.
    bool OnServerReply(const ServerReply& reply, std::string_view text);
    void OnUserLeft(std::string_view name) { deeds_.Left(name); }

    const DeedBook& deeds() const { return deeds_; }

private:
    // What became of a line handed to the connection (which calls it).
    void OnLineFate(std::string_view line, SendQueue::Kind kind, Connection::Fate fate,
                    std::string_view why);
    // The connection went: its deeds' lines will get no answer.
    void OnConnectionLost();
    // Sends line and takes it as done (pacing off; note: its orange line); a line that
    // cannot be sent is told in one red line.
    Connection::Sent SendNow(std::string_view line, std::string_view note);
    // One red line: "Could not ban NAME: why".
    void CouldNot(std::string_view line, std::string_view why);
    // The same for a script's deed, at most once in kScriptRefusalGapMs: the script is told
    // by what its call returns, and one that loops on such deeds does not flood the log.
    void CouldNotForScript(std::string_view line, std::string_view why);
    void Finish(const DeedBook::Ended& ended);
    // Tells the scripts that asked for the deed of the book how it ended.
    void TellScripts(DeedBook::Action action, std::string_view name, bool done,
                     std::string_view text);
    void Ended(DeedBook::Action action, std::string_view name, bool done);
    // A script's deed sent unpaced was answered, or will never be.
    void EndUnpaced(std::uint64_t written, bool done, std::string_view text);
    void EndUnpacedUnlessAwaited(std::string_view text);
    // Takes out the script's deed at index and tells the script.
    void EndScriptDeed(std::size_t index, bool done, std::string_view text);
    std::size_t OpenFor(std::string_view script) const;

    LogWriter& writer_;
    Clock& clock_;
    static constexpr std::int64_t kScriptRefusalGapMs = 1000;
    std::optional<std::int64_t> scriptRefusalMs_;  // when CouldNotForScript last told
    Connection& connection_;
    Hooks hooks_;
    DeedBook deeds_;
    bool loggedIn_ = false;
    bool rightsTold_ = false;  // a refusal every deed meets, this session
    struct ScriptDeed {
        std::string script;
        DeedBook::Action action;
        std::string name;
        // Sent unpaced: the line's number in the book, which only its answer ends, and the
        // note to write once it is done. Nothing: a deed of the book's.
        std::optional<std::uint64_t> written;
        std::string note;
    };
    struct Told {
        std::string script;
        DeedBook::Action action;
        std::string name;
        bool done;
        std::string text;
    };
    std::vector<ScriptDeed> scriptDeeds_;  // what scripts wait for, in the order asked
    std::vector<std::string> capTold_;     // scripts told they met kMaxScriptDeeds
    bool inScript_ = false;                // a script's call is under way
    std::vector<Told> deferred_;           // ends met meanwhile, for the next tick
    std::optional<std::string> watching_;  // a script's line sent unpaced, until written
    std::uint64_t watched_ = 0;            // its number once written
};

}  // namespace varno
