#include "moderation/text_file.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace varno {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

TextFile ReadTextFile(const std::string& path) {
    TextFile result{{}, false};
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return result;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return result;
    }
    std::array<char, 65536> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
        result.bytes.append(chunk.data(), got);
    }
    result.complete = std::ferror(file.get()) == 0;
    return result;
}

std::string_view ListLineEnd(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        return "\r\n";
    }
    return bytes.substr(end, bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
}

}  // namespace varno
