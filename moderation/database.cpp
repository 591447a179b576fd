#include "moderation/database.h"

#include <algorithm>
#include <utility>

#include "base/text_case.h"
#include "moderation/text_file.h"

namespace varno {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads a quoted section that starts at bytes[i] == '"' into field; returns the position
// after the closing quote, or the end when the quote is never closed.
std::size_t ReadQuoted(std::string_view bytes, std::size_t i, std::string& field) {
    ++i;
    while (i < bytes.size()) {
        const std::size_t quote = bytes.find('"', i);
        if (quote == std::string_view::npos) {
            field.append(bytes.substr(i));
            return bytes.size();
        }
        field.append(bytes.substr(i, quote - i));
        if (quote + 1 < bytes.size() && bytes[quote + 1] == '"') {
            field += '"';
            i = quote + 2;
        } else {
            return quote + 1;
        }
    }
    return i;
}

}  // namespace

void Database::LoadDatabase(const std::string& path) {
    const TextFile file = ReadTextFile(path);
    entries_ = file.complete ? ParseFields(file.bytes) : std::vector<std::string>{};
}

bool Database::IsInDatabase(std::string_view name) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [name](const std::string& entry) { return EqualsIgnoreCase(entry, name); });
}

std::vector<std::string> Database::ParseFields(std::string_view bytes) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < bytes.size()) {
        while (i < bytes.size() && IsBlank(bytes[i])) {
            ++i;
        }
        std::string field;
        if (i < bytes.size() && bytes[i] == '"') {
            i = ReadQuoted(bytes, i, field);
        }
        const std::size_t quotedLength = field.size();
        const std::size_t end = std::min(bytes.find_first_of(",\r\n", i), bytes.size());
        field.append(bytes.substr(i, end - i));
        while (field.size() > quotedLength && IsBlank(field.back())) {
            field.pop_back();
        }
        i = end;
        if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n') {
            ++i;
        }
        ++i;
        if (!field.empty()) {
            fields.push_back(std::move(field));
        }
    }
    return fields;
}

}  // namespace varno
