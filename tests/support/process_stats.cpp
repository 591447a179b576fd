#include "support/process_stats.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace varno::test {

ProcessStats ProcessStats::Now() {
    ProcessStats stats;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++stats.openFiles;
    }
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    if (statm >> pages >> resident) {
        stats.residentBytes = resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    }
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) == 0) {
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        stats.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    return stats;
}

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace varno::test
