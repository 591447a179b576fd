#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/edition.h"
#include "log/chat_log.h"
#include "log/log_run.h"
#include "log/log_sink.h"

namespace varno {

enum class LogTarget { Main, Whisper };

// The writers of the two logs, the timestamp prefix, the auto-clear of both logs and the
// Clear button. Every line the program shows goes through here.
class LogWriter {
public:
    // clearSetting is the Clear key as read; it is followed as it changes.
    LogWriter(const Edition& edition, Clock& clock, const std::string& clearSetting);
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    ChatLog& main() { return rtbc_; }
    ChatLog& whisper() { return rtbc2_; }

    // "[" + HH:MM:SS + "] " for the time now; formatted at most once a second.
    const std::string& Prefix();

    // Appends one line, run by run, to the main log. Edition 2.01 writes the runs as given
    // (callers put the prefix first); edition 2.00 writes its own prefix first.
    void WriteChat(const Runs& runs);
    // The same on the whisper log (edition 2.01 only).
    void WriteWhisper(const Runs& runs);

    // One message line with its white timestamp prefix, in either edition. Whisper lines go
    // to the main log in an edition without a whisper log.
    void Line(LogTarget target, const Runs& message);
    void Line(LogTarget target, Colour colour, std::string_view text);

    // One run whose text is the pieces joined. userText: the last piece is what a user or
    // the server wrote, in which web addresses are shown as links.
    struct Pieces {
        Colour colour;
        std::initializer_list<std::string_view> text;
        bool userText = false;
    };
    // Line() with each run given as pieces: the runs are built in the log itself, so a
    // handler writes a line without building its texts first. mention: the line names the
    // operator and is shown highlighted.
    void JoinedLine(LogTarget target, std::initializer_list<Pieces> message, bool mention = false);

    // The Clear button: empties both logs and writes "Screen Cleared" to each.
    void Command1_Click();

    // Every whole line of both logs also goes to each sink, in the order they were added. A
    // sink may write lines of its own from onLine, but not add or remove sinks there.
    void addSink(LogSink& sink);
    void removeSink(LogSink& sink);

private:
    void append(ChatLog& log, const Runs& runs, bool withPrefix);
    ChatLog& logFor(LogTarget target);
    void AutoClear();
    void AutoClearWhisper();
    // The main log's auto-clear threshold, read again only when the Clear setting's text
    // changes.
    std::size_t Threshold();
    void toSinks(const Runs& line, bool whisper);

    const Edition& edition_;
    Clock& clock_;
    const std::string& clearSetting_;
    ChatLog rtbc_;
    ChatLog rtbc2_;
    TimeOfDay prefixTime_{-1, -1, -1};
    std::string prefix_;
    std::string thresholdText_;
    std::optional<std::size_t> threshold_;
    std::vector<LogSink*> sinks_;
};

}  // namespace varno
