#include "ctl/ctl_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "control/request.h"
#include "control/socket_path.h"
#include "ctl/ctl_options.h"

namespace varno {
namespace {

constexpr std::size_t kReadBytes = 256 * 1024;

// Writes all of bytes to fd (a blocking descriptor); false when it fails.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = fd == STDOUT_FILENO
                              ? ::write(fd, bytes.data(), bytes.size())
                              : ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

CtlLink::Opened CtlLink::Connect(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() > kMaxSocketPath) {
        return {kCtlUsage, "the socket's path is too long: " + path};
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return {kCtlIoError, std::string("cannot make a socket: ") + std::strerror(errno)};
    }
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
        return {};
    }
    const int error = errno;
    if (error == EACCES || error == EPERM) {
        return {kCtlPermission, "permission refused on " + path +
                                    ": only the bot's own user and root may steer it"};
    }
    if (error == ENOENT || error == ECONNREFUSED || error == ENOTDIR) {
        return {kCtlNoBot, "no bot runs there (" + path + ": " + std::strerror(error) + ")"};
    }
    return {kCtlIoError, "cannot connect to " + path + ": " + std::strerror(error)};
}

CtlLink::~CtlLink() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool CtlLink::Write(std::string_view bytes) {
    return WriteAll(fd_, bytes);
}

CtlLink::Read CtlLink::ReadLine(std::string& line, Deadline deadline) {
    for (;;) {
        if (const std::size_t end = in_.find('\n', scanned_); end != std::string::npos) {
            if (end >= kMaxWaitingBytes) {
                return Read::TooLong;
            }
            if (end + 1 == in_.size()) {
                line.swap(in_);  // the whole buffer is the line: no copy
                line.pop_back();
                in_.clear();
            } else {
                line = in_.substr(0, end);
                in_.erase(0, end + 1);
            }
            scanned_ = 0;
            return Read::Line;
        }
        scanned_ = in_.size();
        if (in_.size() >= kMaxWaitingBytes) {
            return Read::TooLong;
        }
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return Read::TimedOut;
            }
            timeout = static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30));
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeout);
        if (ready < 0 && errno != EINTR) {
            return Read::Failed;
        }
        if (ready <= 0) {
            continue;
        }
        // Into a room of its own that is never cleared, then onto the buffer: copying what
        // came costs less than clearing room for what may come.
        if (!room_) {
            room_ = std::make_unique_for_overwrite<char[]>(kReadBytes);
        }
        const ssize_t n = ::recv(fd_, room_.get(), kReadBytes, 0);
        in_.append(room_.get(), static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) {
            return Read::Ended;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return Read::Failed;
        }
    }
}

int CtlLink::Relay() {
    bool inputOpen = true;
    char buffer[65536];
    for (;;) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kCtlIoError;
        }
        if (p[0].revents != 0) {
            const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), 0);
            if (n == 0) {
                return kCtlOk;  // the bot has said all
            }
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                return kCtlIoError;
            }
            if (n > 0 && !WriteAll(STDOUT_FILENO, {buffer, static_cast<std::size_t>(n)})) {
                return kCtlIoError;  // nobody reads what the bot says
            }
        }
        if (inputOpen && p[1].revents != 0) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                inputOpen = false;
                ::shutdown(fd_, SHUT_WR);  // the bot answers what came, then closes
            } else if (!WriteAll(fd_, {buffer, static_cast<std::size_t>(n)})) {
                return kCtlIoError;
            }
        }
    }
}

}  // namespace varno
