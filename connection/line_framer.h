#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace varno {

// Cuts the byte stream of one connection into lines ending in CR LF. A line may arrive in
// several reads, cut anywhere (between its CR and its LF too): the bytes after the last
// CR LF of a read are kept and put in front of the next read. A line is handed out once its
// CR LF has arrived, without the CR LF; empty lines are not handed out.
//
// A line longer than kMaxLine bytes is dropped whole, together with everything up to its
// CR LF, so a server that never ends a line can't grow the carry without bound.
class LineFramer {
public:
    static constexpr std::size_t kMaxLine = 65536;

    using LineHandler = std::function<void(std::string_view)>;

    // Frames one read. Each complete line goes to `line`, in order, as a view that is valid
    // only during the call. Lines that lie wholly inside `bytes` are not copied. If `line`
    // calls reset(), the rest of `bytes` is dropped.
    void feed(std::string_view bytes, const LineHandler& line);

    // Forgets the carry and any line being dropped: a new connection starts clean.
    void reset();

private:
    // Each of these consumes the front of `bytes` and returns whether bytes are left to frame.
    bool finishDrop(std::string_view& bytes);
    bool finishCarry(std::string_view& bytes, const LineHandler& line);

    void startDrop(bool endsInCr);
    void keep(std::string_view rest);
    static void hand(std::string_view text, const LineHandler& line);

    std::string carry_;
    std::string handing_;  // a carried line while it is being handed out
    bool dropping_ = false;
    bool dropEndsInCr_ = false;  // while dropping: the last byte seen was a CR
    std::uint64_t generation_ = 0;
};

}  // namespace varno
