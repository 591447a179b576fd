#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varno {

// The connection to the chat server. Its events (connected, closed by the peer, error, data)
// come back as calls on the core.
class Link {
public:
    virtual ~Link() = default;
    // Starts an asynchronous connect. False when the attempt fails at once (for example an
    // empty host name); then no event follows.
    virtual bool open(const std::string& host, std::uint16_t port) = 0;
    // Drops the connection or the attempt under way; raises no closed event.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;  // connected
    virtual void write(std::string_view bytes) = 0;
};

}  // namespace varno
