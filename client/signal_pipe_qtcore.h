#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <vector>

namespace varno {

// Turns signals into calls on the event loop. The handler only writes the signal's number
// to one end of a socket pair, which is all a signal handler may safely do; the other end
// is read on the event loop, which calls `caught` with each number in turn. One instance
// per process.
class SignalPipe : public QObject {
    Q_OBJECT
public:
    SignalPipe(const std::vector<int>& which, std::function<void(int)> caught,
               QObject* parent = nullptr);
    ~SignalPipe() override;

    bool ok() const { return notifier_ != nullptr; }

private:
    void Read();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> caught_;
    std::vector<int> signals_;
};

}  // namespace varno
