#include "channel/roster.h"

#include <algorithm>
#include <utility>

#include "base/text_case.h"
#include "log/display_text.h"

namespace varno {

Roster::~Roster() {
    if (listener_ != nullptr) {
        listener_->onRosterDestroyed();
    }
}

void Roster::insert(std::size_t pos, RosterEntry entry) {
    pos = std::min(pos, entries_.size());
    if (listener_ != nullptr) {
        listener_->onAboutToInsert(pos);
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(entry));
    if (listener_ != nullptr) {
        listener_->onInserted(pos);
    }
}

void Roster::append(RosterEntry entry) {
    insert(entries_.size(), std::move(entry));
}

void Roster::removeAt(std::size_t pos) {
    if (pos >= entries_.size()) {
        return;
    }
    if (listener_ != nullptr) {
        listener_->onAboutToRemove(pos);
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
    if (listener_ != nullptr) {
        listener_->onRemoved(pos);
    }
}

void Roster::clear() {
    if (listener_ != nullptr) {
        listener_->onAboutToClear();
    }
    entries_.clear();
    if (listener_ != nullptr) {
        listener_->onCleared();
    }
}

std::optional<std::size_t> Roster::findCaseInsensitive(std::string_view name) const {
    // Every leave walks the list: an entry of another length, or whose last letter differs
    // (names often differ only in their ends, "user12" and "user13"), is passed over before
    // the whole name is compared.
    const char last = name.empty() ? '\0' : LowerAscii(name.back());
    std::size_t i = 0;
    for (const RosterEntry& entry : entries_) {
        if (entry.text.size() == name.size() &&
            (name.empty() || LowerAscii(entry.text.back()) == last) &&
            EqualsIgnoreCase(entry.text, name)) {
            return i;
        }
        ++i;
    }
    return std::nullopt;
}

std::optional<std::size_t> Roster::findExact(std::string_view name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].text.empty() && entries_[i].text == name) {
            return i;
        }
    }
    return std::nullopt;
}

void Roster::setHeader(std::string_view header) {
    header_ = header;
    if (listener_ != nullptr) {
        listener_->onHeaderChanged();
    }
}

std::string AppendSelectedName(std::string_view input, std::string_view name) {
    std::string result(input);
    result += DisplayText(name);
    return result;
}

}  // namespace varno
