#pragma once

#include <string_view>

namespace varno {

// The version of this build, as the top CMakeLists.txt sets it: the package, every
// program's --version and the About box give this one number.
std::string_view PackageVersion();

}  // namespace varno
