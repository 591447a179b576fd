#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/clock.h"
#include "log/log_sink.h"

namespace varno {

class LogWriter;

// The chat log on disk: every line of both logs appended to folder/YYYY-MM-DD.log (the local
// date when the line is logged, so a new file starts after midnight) as PlainLine text.
// Each line is one write of the whole line to a file opened for appending, so a program
// that is killed loses nothing it has shown. The folder is created (mode 0700) and the
// files are created (mode 0600) when missing: they hold whispers.
//
// A line that cannot be written is lost, the program goes on, and the next line tries again
// from the start; the main log says "Could not write the chat log to <path>" in red, at
// most once a minute.
class ChatLogFile : public LogSink {
public:
    static constexpr std::int64_t kReportGapMs = 60 * 1000;

    ChatLogFile(Clock& clock, LogWriter& writer);
    ~ChatLogFile() override;
    ChatLogFile(const ChatLogFile&) = delete;
    ChatLogFile& operator=(const ChatLogFile&) = delete;

    // Where the files go from the next line on; empty: nowhere.
    void setFolder(const std::string& folder);
    const std::string& folder() const { return folder_; }

    void onLine(const Runs& line, bool whisper) override;

private:
    bool Write(const std::string& text, const std::string& path);
    void Close();
    void ReportFailure(const std::string& path);

    Clock& clock_;
    LogWriter& writer_;
    std::string folder_;
    std::string openPath_;  // the file fd_ is open on
    int fd_ = -1;
    bool reporting_ = false;  // the failure line is being written: it goes to no file
    std::optional<std::int64_t> lastReportMs_;
};

}  // namespace varno
