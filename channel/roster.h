#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace varno {

// One user in the channel: the name exactly as the server sent it, and an icon index
// (0 for none).
struct RosterEntry {
    std::string text;
    std::int16_t icon = 0;

    friend bool operator==(const RosterEntry&, const RosterEntry&) = default;
};

// Told of every change to a roster. The "about to" calls come before the change, the
// others after it, so a view can bracket each change.
class RosterListener {
public:
    virtual ~RosterListener() = default;
    virtual void onAboutToInsert(std::size_t /*pos*/) {}
    virtual void onInserted(std::size_t pos) = 0;
    virtual void onAboutToRemove(std::size_t /*pos*/) {}
    virtual void onRemoved(std::size_t pos) = 0;
    virtual void onAboutToClear() {}
    virtual void onCleared() = 0;
    virtual void onHeaderChanged() = 0;
    // The roster is being destroyed; it must not be read after this call.
    virtual void onRosterDestroyed() {}
};

// The users in the current channel, in the order they were added (position 0 is the top),
// and the column header that names the channel. Entries have no key: the same name may
// appear more than once.
class Roster {
public:
    Roster() = default;
    Roster(const Roster&) = delete;
    Roster& operator=(const Roster&) = delete;
    ~Roster();

    void setListener(RosterListener* listener) { listener_ = listener; }

    std::size_t size() const { return entries_.size(); }
    const RosterEntry& at(std::size_t pos) const { return entries_.at(pos); }

    // Inserts before pos; pos == size() appends. A pos past the end appends.
    void insert(std::size_t pos, RosterEntry entry);
    void append(RosterEntry entry);
    // Removes the entry at pos; a pos past the end changes nothing.
    void removeAt(std::size_t pos);
    void clear();

    // The first entry from the top whose text equals name, ASCII letters folded.
    std::optional<std::size_t> findCaseInsensitive(std::string_view name) const;
    // The first entry from the top, skipping entries with empty text, whose text equals name
    // byte for byte.
    std::optional<std::size_t> findExact(std::string_view name) const;

    const std::string& header() const { return header_; }
    void setHeader(std::string_view header);

private:
    std::deque<RosterEntry> entries_;  // cheap removal at either end
    std::string header_;
    RosterListener* listener_ = nullptr;
};

// The double-click on the roster: the input line's text (UTF-8) followed directly by the
// selected entry's text, with no space or other character between them. The name is
// decoded for display on its own, so a name that is not UTF-8 leaves the typed text whole.
std::string AppendSelectedName(std::string_view input, std::string_view name);

}  // namespace varno
