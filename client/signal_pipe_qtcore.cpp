#include "client/signal_pipe_qtcore.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace varno {
namespace {

volatile std::sig_atomic_t writeEnd = -1;

void OnSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(writeEnd, &byte, 1);
    errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(const std::vector<int>& which, std::function<void(int)> caught,
                       QObject* parent)
    : QObject(parent), caught_(std::move(caught)), signals_(which) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    writeEnd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalPipe::Read);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : signals_) {
        ::sigaction(s, &action, nullptr);
    }
}

SignalPipe::~SignalPipe() {
    for (const int s : signals_) {
        std::signal(s, SIG_DFL);
    }
    writeEnd = -1;
    notifier_.reset();
    for (const int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SignalPipe::Read() {
    unsigned char byte = 0;
    while (::read(fds_[0], &byte, 1) == 1) {
        caught_(byte);
    }
}

}  // namespace varno
