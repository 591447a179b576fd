#include "log/chat_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/make_folder.h"
#include "log/line_text.h"
#include "log/log_writer.h"

namespace varno {

ChatLogFile::ChatLogFile(Clock& clock, LogWriter& writer) : clock_(clock), writer_(writer) {}

ChatLogFile::~ChatLogFile() {
    Close();
}

void ChatLogFile::setFolder(const std::string& folder) {
    if (folder != folder_) {
        Close();
        folder_ = folder;
    }
}

void ChatLogFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    openPath_.clear();
}

void ChatLogFile::onLine(const Runs& line, bool whisper) {
    if (folder_.empty() || reporting_) {
        return;
    }
    const Date d = clock_.localDate();
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.log", d.year % 10000, d.month % 100,
                  d.day % 100);
    std::string path = folder_;
    if (path.back() != '/') {
        path += '/';
    }
    path += name;
    if (!Write(PlainLine(line, whisper), path)) {
        Close();
        ReportFailure(path);
    }
}

bool ChatLogFile::Write(const std::string& text, const std::string& path) {
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || st.st_nlink == 0)) {
        Close();  // deleted or moved away (a log rotation): the next line starts a new file
    }
    if (path != openPath_) {
        Close();
        if (!MakeFolder(folder_)) {
            return false;
        }
        fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd_ < 0) {
            return false;
        }
        openPath_ = path;
    }
    ssize_t written = -1;
    do {
        written = ::write(fd_, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(text.size());
}

void ChatLogFile::ReportFailure(const std::string& path) {
    const std::int64_t now = clock_.steadyMs();
    if (lastReportMs_ && now - *lastReportMs_ < kReportGapMs) {
        return;
    }
    lastReportMs_ = now;
    reporting_ = true;
    writer_.Line(LogTarget::Main, colour::kRed, "Could not write the chat log to " + path);
    reporting_ = false;
}

}  // namespace varno
