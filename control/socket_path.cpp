#include "control/socket_path.h"

namespace varno {
namespace {

std::string In(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.ends_with('/')) {
        path += '/';
    }
    return path += name;
}

}  // namespace

std::string ControlSocketPath(std::string_view folder, std::string_view runtimeDirectory) {
    const std::string_view first = runtimeDirectory.substr(0, runtimeDirectory.find(':'));
    return first.empty() ? In(folder, kFolderSocketName) : In(first, kRuntimeSocketName);
}

std::string ServiceSocketPath(std::string_view name) {
    const std::string folder =
        name.empty() ? std::string(kServiceRuntimeFolder) : In(kServiceRuntimeFolder, name);
    return In(folder, kRuntimeSocketName);
}

}  // namespace varno
