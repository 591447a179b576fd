#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace varno::fuzz {

// A file of this process's own, in memory where the system has a memory file system (every
// write ends in an fsync), removed at exit. Keep one as a function's static.
struct TempFile {
    explicit TempFile(std::string_view name)
        : path((::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/varno_") +
               std::string(name) + "_" + std::to_string(::getpid())) {}
    ~TempFile() { std::remove(path.c_str()); }

    // Replaces the file with bytes; false when it can't be written.
    bool write(std::string_view bytes) const {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) {
            return false;
        }
        const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && whole;
    }

    const std::string path;
};

}  // namespace varno::fuzz
