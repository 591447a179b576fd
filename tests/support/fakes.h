#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/timer.h"
#include "base/window_port.h"
#include "connection/link.h"

namespace varno::test {

// Records what the core does with the connection.
class FakeLink : public Link {
public:
    bool open(const std::string& host, std::uint16_t port) override {
        opens.push_back(host + ":" + std::to_string(port));
        open_ = false;
        return !host.empty();
    }
    void close() override {
        ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void write(std::string_view bytes) override { written.emplace_back(bytes); }

    void connectNow() { open_ = true; }  // the server accepted; call sck_connect next
    void dropNow() { open_ = false; }

    std::string allWritten() const {
        std::string all;
        for (const auto& w : written) {
            all += w;
        }
        return all;
    }

    std::vector<std::string> opens;
    std::vector<std::string> written;
    int closes = 0;

private:
    bool open_ = false;
};

class FakeTimer : public Timer {
public:
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }

private:
    int interval_ = 0;
    bool enabled_ = false;
};

class FakeClock : public Clock {
public:
    TimeOfDay timeOfDay() override { return time; }
    std::int64_t steadyMs() override { return ms; }
    Date localDate() override { return date; }
    std::int64_t unixSeconds() override { return unix; }

    TimeOfDay time{14, 3, 7};
    std::int64_t ms = 100000;
    Date date{2026, 12, 7};
    std::int64_t unix = 1796652187;
};

class FakeWindow : public WindowPort {
public:
    void setCaption(std::string_view c) override { caption = c; }
    void setChannelLabel(std::string_view t) override { label = t; }
    void setUptime(std::string_view t) override { uptime = t; }
    void takeLayoutSnapshot() override { calls.push_back("snapshot"); }
    void beep() override { calls.push_back("beep"); }

    std::string caption;
    std::string label = "<Disconnected>";
    std::string uptime;
    std::vector<std::string> calls;
};

// A fresh, empty folder for one test's files, removed again at the end. The name is random,
// so test runs in parallel do not meet.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes bytes to name inside the folder, exactly as given, and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

}  // namespace varno::test
