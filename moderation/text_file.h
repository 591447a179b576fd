#pragma once

#include <string>

namespace varno {

// The bytes of a file the operator keeps beside the program, read in one go.
struct TextFile {
    std::string bytes;  // what was read, possibly only a first part
    bool complete;      // false when the file is missing, not a regular file or failed to read
};

// Reads the whole file at path. Only a regular file is read, so a directory, a pipe or a
// device in its place neither blocks nor streams without end.
TextFile ReadTextFile(const std::string& path);

}  // namespace varno
