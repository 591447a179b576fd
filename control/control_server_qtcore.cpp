#include "control/control_server_qtcore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "control/messages.h"
#include "control/socket_path.h"

namespace varno {
namespace {

// Bytes read from one client at each wake-up at most, so that one client cannot hold the
// event loop.
constexpr std::size_t kReadPerWake = 256 * 1024;

bool Address(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() > kMaxSocketPath) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Whether a socket at path takes a connection: a bot listens there.
bool Answers(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool answers =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return answers;
}

std::string Why() {
    return std::strerror(errno);
}

}  // namespace

ControlServer::ControlServer(ControlService& service) : service_(service) {
    flush_.setSingleShot(true);
    flush_.setInterval(0);
    QObject::connect(&flush_, &QTimer::timeout, [this] { Flush(); });
    acceptAgain_.setSingleShot(true);
    acceptAgain_.setInterval(kAcceptPauseMs);
    QObject::connect(&acceptAgain_, &QTimer::timeout, [this] {
        accept_->setEnabled(true);
        Accept();
    });
    service_.setWake([this] {
        if (!flush_.isActive()) {
            flush_.start();
        }
    });
}

ControlServer::~ControlServer() {
    service_.setWake({});
    while (!peers_.empty()) {
        Close(peers_.begin()->first);
    }
    accept_.reset();
    if (listen_ >= 0) {
        ::close(listen_);
        // The lock is held still: the socket at the path is this bot's own.
        ::unlink(path_.c_str());
    }
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

ControlServer::Listening ControlServer::Listen(const std::string& path) {
    path_ = path;
    sockaddr_un address{};
    if (!Address(path, address)) {
        return {false, false,
                "the control socket's path is too long (" + std::to_string(path.size()) +
                    " bytes, at most " + std::to_string(kMaxSocketPath) + "): " + path +
                    "; set Control=0 or use a shorter folder"};
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    lock_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0) {
        return {false, false, "cannot open the folder " + folder + ": " + Why()};
    }
    if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        return {false, errno == EWOULDBLOCK,
                errno == EWOULDBLOCK
                    ? "another VarnoBot runs on " + folder + " (it holds the folder); this one ends"
                    : "cannot lock the folder " + folder + ": " + Why()};
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            return {false, false, path + " is there and is not a socket; it is left alone"};
        }
        if (Answers(address)) {
            return {false, true, "another VarnoBot answers on " + path + "; this one ends"};
        }
        ::unlink(path.c_str());  // left by a bot that died
    }
    listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_ < 0) {
        return {false, false, "cannot make the control socket: " + Why()};
    }
    // Owner-only from the start: no other user ever sees it open.
    const mode_t mask = ::umask(0177);
    const int bound = ::bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int bindError = errno;
    ::umask(mask);
    if (bound != 0 || ::chmod(path.c_str(), 0600) != 0 || ::listen(listen_, 16) != 0) {
        errno = bound != 0 ? bindError : errno;
        const std::string why = Why();
        ::close(listen_);
        listen_ = -1;
        return {false, false, "cannot listen on " + path + ": " + why};
    }
    accept_ = std::make_unique<QSocketNotifier>(listen_, QSocketNotifier::Read);
    QObject::connect(accept_.get(), &QSocketNotifier::activated, [this] { Accept(); });
    return {true, false, ""};
}

void ControlServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The peer stays in the backlog and the socket stays readable: rather than
                // spin on it, look again when a descriptor may have come free.
                accept_->setEnabled(false);
                acceptAgain_.start();
            }
            break;  // none waits (or the peer went before it was taken)
        }
        ucred peer{};
        socklen_t size = sizeof(peer);
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            (peer.uid != ::geteuid() && peer.uid != 0)) {
            Refuse(fd, ErrorLine("", "permission",
                                 "user " + std::to_string(peer.uid) +
                                     " may not use this bot's control socket: only its own user "
                                     "and root may"));
            continue;
        }
        std::string refusal;
        const auto id = service_.Open(refusal);
        if (!id) {
            Refuse(fd, refusal);
            continue;
        }
        Peer& p = peers_[*id];
        p.fd = fd;
        p.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        p.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        p.write->setEnabled(false);
        const int client = *id;
        QObject::connect(p.read.get(), &QSocketNotifier::activated,
                         [this, client] { ReadFrom(client); });
        QObject::connect(p.write.get(), &QSocketNotifier::activated, [this] { Flush(); });
    }
    Flush();
}

void ControlServer::Refuse(int fd, const std::string& line) {
    // One try: a peer that does not take a short line at once loses it.
    [[maybe_unused]] const ssize_t n =
        ::send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(fd);
}

void ControlServer::ReadFrom(int id) {
    const auto found = peers_.find(id);
    if (found == peers_.end()) {
        return;
    }
    char buffer[16384];
    for (std::size_t total = 0; total < kReadPerWake;) {
        const ssize_t n = ::recv(found->second.fd, buffer, sizeof(buffer), 0);
        if (n > 0) {
            total += static_cast<std::size_t>(n);
            service_.Read(id, std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        if (n == 0) {
            found->second.read->setEnabled(false);
            service_.ReadEnd(id);
        } else if (errno != EAGAIN && errno != EINTR) {
            found->second.read->setEnabled(false);
            service_.ReadEnd(id);  // a reset: what it sent is done all the same
        }
        break;
    }
    Flush();
}

void ControlServer::Flush() {
    std::vector<int> gone;
    for (auto& [id, peer] : peers_) {
        for (std::string_view waiting = service_.waiting(id); !waiting.empty();
             waiting = service_.waiting(id)) {
            const ssize_t n =
                ::send(peer.fd, waiting.data(), waiting.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                service_.Wrote(id, static_cast<std::size_t>(n));
            } else if (errno != EINTR) {
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    gone.push_back(id);  // the peer went: nothing will take it
                }
                break;
            }
        }
        peer.write->setEnabled(!service_.waiting(id).empty());
    }
    for (const int id : service_.closing()) {
        gone.push_back(id);
    }
    for (const int id : gone) {
        Close(id);
    }
}

void ControlServer::Close(int id) {
    const auto found = peers_.find(id);
    if (found != peers_.end()) {
        found->second.read.reset();
        found->second.write.reset();
        ::close(found->second.fd);
        peers_.erase(found);
    }
    service_.Closed(id);
}

}  // namespace varno
