#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "log/log_run.h"

namespace varno {

// Told of every change to a log, in order. The Qt view is the usual listener.
class ChatLogListener {
public:
    virtual ~ChatLogListener() = default;
    virtual void onAppended(const Run& run) = 0;
    virtual void onCleared() = 0;
};

// A log: a sequence of coloured runs. Runs are appended at the end; the whole text can be
// replaced by nothing. Its length counts characters, one per byte (CR LF counts two).
class ChatLog {
public:
    void setListener(ChatLogListener* listener) { listener_ = listener; }

    // Told of every whole line appended: its runs from the first to the one that ends in
    // CR LF. A line interrupted by a nested write (the auto-clear's notice) is handed over
    // whole after the nested line, with the runs a clear took from the log.
    void setLineHandler(std::function<void(const Runs&)> handler) { onLine_ = std::move(handler); }

    // Synchronous change notification: runs after every append and every clear, inside
    // the call that changed the log, so a handler may change the log again (nesting).
    void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

    void append(Colour colour, std::string_view text, RunMarks marks = {});
    // Appends one run whose text is the pieces joined and then `end` (a line break, say),
    // without building the text first.
    void append(Colour colour, std::initializer_list<std::string_view> pieces,
                std::string_view end = {}, RunMarks marks = {});
    void clear();

    std::size_t length() const { return length_; }
    const std::vector<Run>& runs() const { return runs_; }
    std::string text() const;

private:
    Run& newRun(Colour colour, std::uint32_t linksFrom, bool mention);
    // Tells of the run just made: the length, the listener, the line, the change.
    void appended();
    void collectLine(const Run& run);

    std::vector<Run> runs_;
    // The texts of cleared runs, kept with their storage for the next runs: a log that is
    // cleared again and again reaches a steady state in which appending allocates nothing.
    std::vector<std::string> spare_;
    std::size_t length_ = 0;
    ChatLogListener* listener_ = nullptr;
    std::function<void()> onChange_;
    std::function<void(const Runs&)> onLine_;
    // The runs of the line being written at each depth of change-handler nesting.
    std::vector<Runs> pending_;
    std::size_t depth_ = 0;
};

}  // namespace varno
