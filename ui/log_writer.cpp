#include "ui/log_writer.h"

#include <cstdio>
#include <optional>

#include "connection/settings.h"

namespace varno {
namespace {

// "[" + prefix + "] " + "Screen Cleared" + CR LF: a threshold must leave room for it, or
// the notice line would pass it again.
constexpr std::size_t kNoticeLineLength = 11 + 14 + 2;

// The Clear setting as a whole number of characters; nothing when it isn't one.
std::optional<std::size_t> ParseThreshold(std::string_view text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

}  // namespace

LogWriter::LogWriter(const Edition& edition, Clock& clock, const Settings& settings)
    : edition_(edition), clock_(clock), settings_(settings) {
    rtbc_.setChangeHandler([this] { AutoClear(); });
}

const std::string& LogWriter::Prefix() {
    const TimeOfDay t = clock_.timeOfDay();
    if (!(t == prefixTime_)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "[%02d:%02d:%02d] ", t.hour % 100, t.minute % 100,
                      t.second % 100);
        prefix_ = buf;
        prefixTime_ = t;
    }
    return prefix_;
}

void LogWriter::append(ChatLog& log, const Runs& runs, bool withPrefix) {
    if (withPrefix) {
        log.append(colour::kWhite, Prefix());
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i + 1 == runs.size()) {
            log.append(runs[i].colour, runs[i].text + "\r\n");
        } else {
            log.append(runs[i].colour, runs[i].text);
        }
    }
}

void LogWriter::WriteChat(const Runs& runs) {
    append(rtbc_, runs, edition_.writerAddsPrefix);
}

void LogWriter::WriteWhisper(const Runs& runs) {
    append(edition_.whisperLog ? rtbc2_ : rtbc_, runs, edition_.writerAddsPrefix);
}

void LogWriter::Line(LogTarget target, const Runs& message) {
    if (edition_.writerAddsPrefix) {
        target == LogTarget::Whisper ? WriteWhisper(message) : WriteChat(message);
        return;
    }
    Runs line;
    line.reserve(message.size() + 1);
    line.push_back(Run{colour::kWhite, Prefix()});
    line.insert(line.end(), message.begin(), message.end());
    target == LogTarget::Whisper ? WriteWhisper(line) : WriteChat(line);
}

void LogWriter::Line(LogTarget target, Colour colour, std::string_view text) {
    Line(target, Runs{Run{colour, std::string(text)}});
}

void LogWriter::Command1_Click() {
    rtbc_.clear();
    rtbc2_.clear();
    Line(LogTarget::Main, colour::kGreen, "Screen Cleared");
    Line(LogTarget::Whisper, colour::kGreen, "Screen Cleared");
}

void LogWriter::AutoClear() {
    // No usable threshold (not loaded yet, missing, not a number, or too small to hold the
    // notice line): the check is skipped, so the log is never emptied in a loop.
    std::optional<std::size_t> threshold;
    if (edition_.clearFromSettings) {
        threshold = ParseThreshold(settings_.Clear);
        if (threshold && *threshold <= kNoticeLineLength) {
            threshold.reset();
        }
    } else {
        threshold = edition_.fixedClear;
    }
    if (!threshold || rtbc_.length() <= *threshold) {
        return;
    }
    rtbc_.clear();
    if (edition_.clearNotice) {
        Line(LogTarget::Main, colour::kGreen, "Screen Cleared");
    }
}

}  // namespace varno
