// Adds a pattern to a list file and removes it again.
//
// Input: a pattern, LF, then the bytes of the list file (a pattern can't hold an LF). An add
// that is made gives the file's lines and the pattern after them; the remove that follows
// gives the file's lines back, and its bytes, but for the line end a last line without one
// got.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "moderation/ban_list.h"
#include "moderation/list_edit.h"
#include "moderation/text_file.h"
#include "temp_file.h"

namespace {

std::string ReadBack(const std::string& path) {
    varno::TextFile file = varno::ReadTextFile(path);
    if (!file.complete) {
        __builtin_trap();
    }
    return file.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const varno::fuzz::TempFile file("list_edit_fuzz.txt");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = input.find('\n');
    if (lf == std::string_view::npos) {
        return 0;
    }
    const std::string_view pattern = input.substr(0, lf);
    const std::string_view before = input.substr(lf + 1);
    if (!file.write(before)) {
        return 0;
    }
    const std::vector<std::string> lines = varno::BanList::SplitLines(before);
    const varno::ListEdit added = varno::AddListLine(file.path, pattern);
    if (added != varno::ListEdit::Added) {
        if (added == varno::ListEdit::Failed || ReadBack(file.path) != before) {
            __builtin_trap();
        }
        return 0;
    }
    std::vector<std::string> more = lines;
    more.emplace_back(pattern);
    if (varno::BanList::SplitLines(ReadBack(file.path)) != more) {
        __builtin_trap();
    }
    if (varno::RemoveListLine(file.path, pattern) != varno::ListEdit::Removed) {
        __builtin_trap();
    }
    const std::string after = ReadBack(file.path);
    const bool sameBytes =
        after == before || after == std::string(before) + std::string(varno::ListLineEnd(before));
    if (!sameBytes || varno::BanList::SplitLines(after) != lines) {
        __builtin_trap();
    }
    return 0;
}
