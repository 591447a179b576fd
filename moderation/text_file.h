#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varno {

// The bytes of a file the operator keeps beside the program, read in one go.
struct TextFile {
    std::string bytes;  // what was read, possibly only a first part
    bool complete;      // false when the file is missing, not a regular file or failed to read
};

// Reads the whole file at path. Only a regular file is read, so a directory, a pipe or a
// device in its place neither blocks nor streams without end.
TextFile ReadTextFile(const std::string& path);

// One line of a list file (the ban list, the word list): where its text starts, its length,
// and its length with its line end.
struct ListLine {
    std::size_t start;
    std::size_t length;
    std::size_t withEnd;
};

// Calls f with each line of a list file, in order. A line ends at CR LF, at a lone LF or at a
// lone CR, which is not part of it: files written on any system read alike. A last line
// without a line end counts too.
template <typename F>
void ForEachListLine(std::string_view bytes, F&& f) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            f(ListLine{start, bytes.size() - start, bytes.size() - start});
            return;
        }
        const bool crLf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        const std::size_t next = end + (crLf ? 2 : 1);
        f(ListLine{start, end - start, next - start});
        start = next;
    }
}

// The line end a list file uses: that of its first line, or CR LF when no line has one.
std::string_view ListLineEnd(std::string_view bytes);

}  // namespace varno
