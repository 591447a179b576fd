#include "log/log_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "base/whole_number.h"

namespace varno {
namespace {

// "[" + prefix + "] " + "Screen Cleared" + CR LF: a threshold must leave room for it, or
// the notice line would pass it again.
constexpr std::size_t kNoticeLineLength = 11 + 14 + 2;

}  // namespace

LogWriter::LogWriter(const Edition& edition, Clock& clock, const std::string& clearSetting)
    : edition_(edition), clock_(clock), clearSetting_(clearSetting) {
    rtbc_.setChangeHandler([this] { AutoClear(); });
    rtbc2_.setChangeHandler([this] { AutoClearWhisper(); });
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
            log.append(runs[i].colour, {runs[i].text}, "\r\n");
        } else {
            log.append(runs[i].colour, runs[i].text);
        }
    }
}

ChatLog& LogWriter::logFor(LogTarget target) {
    return target == LogTarget::Whisper && edition_.whisperLog ? rtbc2_ : rtbc_;
}

void LogWriter::WriteChat(const Runs& runs) {
    append(rtbc_, runs, edition_.writerAddsPrefix);
}

void LogWriter::WriteWhisper(const Runs& runs) {
    append(edition_.whisperLog ? rtbc2_ : rtbc_, runs, edition_.writerAddsPrefix);
}

// Both editions write a message line as the prefix followed by the message's runs: 2.00's
// writer adds the prefix itself, and 2.01's callers put it first.
void LogWriter::Line(LogTarget target, const Runs& message) {
    append(logFor(target), message, true);
}

void LogWriter::Line(LogTarget target, Colour colour, std::string_view text) {
    JoinedLine(target, {{colour, {text}}});
}

void LogWriter::JoinedLine(LogTarget target, std::initializer_list<Pieces> message, bool mention) {
    ChatLog& log = logFor(target);
    log.append(colour::kWhite, Prefix(), {.mention = mention});
    std::size_t left = message.size();
    for (const Pieces& run : message) {
        log.append(run.colour, run.text, --left == 0 ? "\r\n" : "",
                   {.linkLastPiece = run.userText, .mention = mention});
    }
}

void LogWriter::Command1_Click() {
    rtbc_.clear();
    rtbc2_.clear();
    Line(LogTarget::Main, colour::kGreen, "Screen Cleared");
    Line(LogTarget::Whisper, colour::kGreen, "Screen Cleared");
}

void LogWriter::addSink(LogSink& sink) {
    sinks_.push_back(&sink);
    // The logs gather lines only while someone takes them.
    rtbc_.setLineHandler([this](const Runs& line) { toSinks(line, false); });
    rtbc2_.setLineHandler([this](const Runs& line) { toSinks(line, true); });
}

void LogWriter::removeSink(LogSink& sink) {
    sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), &sink), sinks_.end());
    if (sinks_.empty()) {
        rtbc_.setLineHandler(nullptr);
        rtbc2_.setLineHandler(nullptr);
    }
}

void LogWriter::toSinks(const Runs& line, bool whisper) {
    for (LogSink* sink : sinks_) {
        sink->onLine(line, whisper);
    }
}

std::size_t LogWriter::Threshold() {
    if (!edition_.clearFromSettings) {
        return edition_.fixedClear;
    }
    if (clearSetting_ != thresholdText_) {
        thresholdText_ = clearSetting_;
        threshold_ = ParseWholeNumber(thresholdText_, SIZE_MAX);
        if (threshold_ && *threshold_ <= kNoticeLineLength) {
            threshold_.reset();
        }
    }
    // No usable threshold (not loaded yet, missing, not a number, or too small to hold the
    // notice line): the fixed one keeps the log bounded and is never passed by the notice.
    return threshold_.value_or(edition_.fixedClear);
}

void LogWriter::AutoClear() {
    if (rtbc_.length() <= Threshold()) {
        return;
    }
    rtbc_.clear();
    if (edition_.clearNotice) {
        Line(LogTarget::Main, colour::kGreen, "Screen Cleared");
    }
}

void LogWriter::AutoClearWhisper() {
    if (rtbc2_.length() > edition_.fixedClear) {
        rtbc2_.clear();
    }
}

}  // namespace varno
