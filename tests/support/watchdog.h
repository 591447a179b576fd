#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace varno::test {

// Ends the test program with a failure when the scope it guards lasts longer than seconds:
// a test of a limit must fail, not hang, when the limit no longer holds.
class Watchdog {
public:
    Watchdog(int seconds, std::string what)
        : what_(std::move(what)), thread_([this, seconds] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  std::fprintf(stderr, "FAILED: %s did not end within %d s\n", what_.c_str(),
                               seconds);
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace varno::test
