#pragma once

#include <string>

namespace varno {

// Makes the folder at path and any missing folder above it, each with mode 0700. True when
// the path is a folder afterwards.
bool MakeFolder(const std::string& path);

}  // namespace varno
