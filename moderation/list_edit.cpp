#include "moderation/list_edit.h"

#include <filesystem>
#include <system_error>

#include "base/text_case.h"
#include "connection/ini_file.h"
#include "moderation/text_file.h"

namespace varno {
namespace {

// The file's bytes; false when it exists but can't be read whole. A missing file is empty.
bool ReadList(const std::string& path, std::string& bytes) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        bytes.clear();
        return !error;
    }
    TextFile file = ReadTextFile(path);
    bytes = std::move(file.bytes);
    return file.complete;
}

}  // namespace

bool IsListPattern(std::string_view pattern) {
    if (pattern.empty()) {
        return false;
    }
    for (const char c : pattern) {
        if (static_cast<unsigned char>(c) < 32) {
            return false;
        }
    }
    return true;
}

ListEdit AddListLine(const std::string& path, std::string_view pattern) {
    if (!IsListPattern(pattern)) {
        return ListEdit::NotAPattern;
    }
    std::string bytes;
    if (!ReadList(path, bytes)) {
        return ListEdit::Failed;
    }
    bool there = false;
    ForEachListLine(bytes, [&](const ListLine& line) {
        there = there ||
                EqualsIgnoreCase(std::string_view(bytes).substr(line.start, line.length), pattern);
    });
    if (there) {
        return ListEdit::AlreadyThere;
    }
    // The new line ends as the file's lines do, so an editor sees one kind of line end.
    const std::string end(ListLineEnd(bytes));
    if (!bytes.empty() && !bytes.ends_with('\r') && !bytes.ends_with('\n')) {
        bytes += end;
    }
    bytes += pattern;
    bytes += end;
    return ReplaceFile(path, bytes) ? ListEdit::Added : ListEdit::Failed;
}

ListEdit RemoveListLine(const std::string& path, std::string_view pattern) {
    if (!IsListPattern(pattern)) {
        return ListEdit::NotAPattern;
    }
    std::string bytes;
    if (!ReadList(path, bytes)) {
        return ListEdit::Failed;
    }
    std::string kept;
    kept.reserve(bytes.size());
    bool removed = false;
    ForEachListLine(bytes, [&](const ListLine& line) {
        if (EqualsIgnoreCase(std::string_view(bytes).substr(line.start, line.length), pattern)) {
            removed = true;
        } else {
            kept.append(bytes, line.start, line.withEnd);
        }
    });
    if (!removed) {
        return ListEdit::NotThere;
    }
    return ReplaceFile(path, kept) ? ListEdit::Removed : ListEdit::Failed;
}

}  // namespace varno
