#pragma once

// Reads the captured gateway byte streams in the fixtures folder: one read from the socket
// per line, written with C escapes; lines starting with '#' are comments.

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace varno::test {

inline int FixtureHexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decodes \r \n \t \\ \" \0 and \xHH (one or two hex digits); any other escaped character
// stands for itself.
inline std::string DecodeFixtureLine(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            bytes += line[i];
            continue;
        }
        const char c = line[++i];
        switch (c) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '0':
                bytes += '\0';
                break;
            case 'x': {
                int value = 0;
                int digits = 0;
                while (digits < 2 && i + 1 < line.size() && FixtureHexDigit(line[i + 1]) >= 0) {
                    value = value * 16 + FixtureHexDigit(line[++i]);
                    ++digits;
                }
                bytes += digits > 0 ? static_cast<char>(value) : 'x';
                break;
            }
            default:
                bytes += c;
                break;
        }
    }
    return bytes;
}

// The reads of fixture file `name` (in VARNO_FIXTURES), in order; empty if it can't be read.
inline std::vector<std::string> ReadFixture(std::string_view name) {
    std::ifstream file(std::string(VARNO_FIXTURES) + "/" + std::string(name), std::ios::binary);
    std::vector<std::string> reads;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        reads.push_back(DecodeFixtureLine(line));
    }
    return reads;
}

}  // namespace varno::test
