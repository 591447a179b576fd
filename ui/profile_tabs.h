#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

// What a tab that is not shown says of its profile: a line came (bold), or a whisper or a
// line that names its account (the mention colour), until it is shown.
enum class TabMark { None, Line, Mention };

// The tabs of the open profiles, in the order of the tab bar: each tab's label, its mark and
// how much it has unseen, which tab the keys go to, and what the titles of a profile's
// notifications and windows say. One tab is always shown once there is one.
class ProfileTabs {
public:
    // A tab at this place for a profile (its name: empty for the first profile).
    void Insert(std::size_t at, std::string profile);
    void Remove(std::size_t at);
    std::size_t size() const { return tabs_.size(); }
    const std::string& profile(std::size_t at) const { return tabs_.at(at).profile; }
    // Where a tab for this profile goes: the first profile's first, the others in the byte
    // order of their names.
    std::size_t PlaceFor(std::string_view profile) const;

    std::size_t shown() const { return shown_; }
    // Shows the tab, which loses its mark.
    void Show(std::size_t at);

    // The account the tab's client logs in as, and what its channel label says (bytes).
    void setAccount(std::size_t at, std::string_view account);
    void setChannel(std::size_t at, std::string_view channel);
    // A line came to the tab's logs; a whisper or a line naming its account.
    void LineArrived(std::size_t at) { Mark(at, TabMark::Line); }
    void Addressed(std::size_t at) { Mark(at, TabMark::Mention); }
    TabMark mark(std::size_t at) const { return tabs_.at(at).mark; }

    // "account · channel" as the tab shows it (UTF-8, at most 24 and 32 characters of
    // each); the profile's name, or "Varno" for the first profile, while no account is known.
    std::string Label(std::size_t at) const;
    // A title that names the profile when more than one is open: "Whisper from bob ·
    // varnobot"; the title alone with one. title is UTF-8.
    std::string Titled(std::size_t at, std::string_view title) const;

    // The whispers and mentions unseen in a tab, and in all of them together.
    void setUnseen(std::size_t at, int unseen) { tabs_.at(at).unseen = unseen; }
    int unseen() const;

    // Ctrl+Tab, Ctrl+PgDown (+1) and Ctrl+Shift+Tab, Ctrl+PgUp (-1): the next or previous
    // tab, round from the last to the first; none with one tab.
    std::optional<std::size_t> Step(int direction) const;
    // Alt+1 .. Alt+9: the tab of that number, when there is one.
    std::optional<std::size_t> Numbered(int number) const;

private:
    struct Tab {
        std::string profile;
        std::string account;
        std::string channel;
        TabMark mark = TabMark::None;
        int unseen = 0;
    };
    void Mark(std::size_t at, TabMark mark);
    std::string Account(const Tab& tab) const;

    std::vector<Tab> tabs_;
    std::size_t shown_ = 0;
};

}  // namespace varno
