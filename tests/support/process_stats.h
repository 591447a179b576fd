#pragma once

#include <cstddef>
#include <string>

namespace varno::test {

// What this process holds and has used, read from the operating system.
struct ProcessStats {
    std::size_t openFiles = 0;      // entries of /proc/self/fd
    std::size_t residentBytes = 0;  // resident set size
    double cpuSeconds = 0;          // user and system time so far

    static ProcessStats Now();
};

// True in a build with AddressSanitizer, whose quarantine keeps freed memory resident.
bool UnderSanitizer();

// How many times `what` occurs in `text`.
std::size_t CountOf(const std::string& text, const std::string& what);

}  // namespace varno::test
