#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace varno {

// One client of the control socket, without the socket: the request lines it sends, cut at
// LF (a CR before it taken off) and held to kMaxRequestBytes, and what waits to be written
// to it, held to kMaxWaitingBytes, so that a client that does not read costs the bot no more.
class ControlSession {
public:
    using LineFn = std::function<void(std::string_view line)>;

    // Bytes the client sent: each whole line goes to line. Returns false once a line passes
    // kMaxRequestBytes (its LF aside): that line and all after it are not read.
    bool Read(std::string_view bytes, const LineFn& line);
    // The client sent its last byte: bytes after the last LF are one more line.
    void ReadEnd(const LineFn& line);
    bool inputEnded() const { return inputEnded_; }

    // Queues bytes to be written; returns false, queueing nothing, when what waits would
    // pass kMaxWaitingBytes.
    bool Queue(std::string_view bytes);
    // The same with a LF after it; both or neither.
    bool QueueLine(std::string_view bytes);
    std::string_view waiting() const { return std::string_view(out_).substr(sent_); }
    // n bytes of waiting() were written.
    void Wrote(std::size_t n);

    unsigned topics = 0;  // the events it subscribed to (see Topic)

private:
    std::string in_;
    std::size_t scanned_ = 0;  // in_ holds no LF before this
    bool tooLong_ = false;
    bool inputEnded_ = false;
    std::string out_;
    std::size_t sent_ = 0;  // out_ before this is written
};

}  // namespace varno
