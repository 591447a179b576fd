#include "moderation/ban_list.h"

#include <utility>

#include "moderation/text_file.h"

namespace varno {

void BanList::LoadBanList(const std::string& path) {
    TextFile file = ReadTextFile(path);
    if (!file.complete) {
        // A line cut short by the failure could be a wider pattern than the operator wrote
        // ("*abc" cut to "*" bans everyone): keep only the lines that ended before it.
        const std::size_t lastEnd = file.bytes.find_last_of("\r\n");
        file.bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    const std::size_t before = patterns_.size();
    for (std::string& line : SplitLines(file.bytes)) {
        compiled_.emplace_back(line);
        patterns_.push_back(std::move(line));
    }
    generation_ += patterns_.size() != before ? 1 : 0;
}

void BanList::ReloadBanList(const std::string& path) {
    BanList fresh;
    fresh.LoadBanList(path);
    fresh.generation_ = generation_ + (fresh.patterns_ != patterns_ ? 1 : 0);
    *this = std::move(fresh);
}

bool BanList::MatchesAny(std::string_view text) const {
    const ByteSet bytes = ByteSet::Of(text);
    for (const CompiledPattern& pattern : compiled_) {
        if (pattern.Matches(text, bytes)) {
            return true;
        }
    }
    return false;
}

void BanList::CheckBanList(const std::vector<std::string>& joinNames,
                           const std::function<void(std::string_view)>& sendChat) const {
    for (const std::string& name : joinNames) {
        for (const CompiledPattern& pattern : compiled_) {
            if (pattern.Matches(name)) {
                sendChat("/ban " + name + " boo");
            }
        }
    }
}

std::vector<std::string> BanList::SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    ForEachListLine(bytes, [&](const ListLine& line) {
        lines.emplace_back(bytes.substr(line.start, line.length));
    });
    return lines;
}

}  // namespace varno
