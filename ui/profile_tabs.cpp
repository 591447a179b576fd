#include "ui/profile_tabs.h"

#include "client/attention.h"
#include "log/display_text.h"

namespace varno {
namespace {

constexpr std::string_view kDot = " \xc2\xb7 ";  // " · "
// The characters a label shows of an account and of a channel.
constexpr std::size_t kAccountCharacters = 24;
constexpr std::size_t kChannelCharacters = 32;

}  // namespace

void ProfileTabs::Insert(std::size_t at, std::string profile) {
    at = std::min(at, tabs_.size());
    Tab tab;
    tab.profile = std::move(profile);
    tabs_.insert(tabs_.begin() + static_cast<std::ptrdiff_t>(at), std::move(tab));
    if (tabs_.size() > 1 && at <= shown_) {
        ++shown_;
    }
}

void ProfileTabs::Remove(std::size_t at) {
    if (at >= tabs_.size()) {
        return;
    }
    tabs_.erase(tabs_.begin() + static_cast<std::ptrdiff_t>(at));
    if (at < shown_ || shown_ >= tabs_.size()) {
        shown_ = shown_ > 0 ? shown_ - 1 : 0;
    }
    if (!tabs_.empty()) {
        tabs_[shown_].mark = TabMark::None;
    }
}

void ProfileTabs::Show(std::size_t at) {
    if (at < tabs_.size()) {
        shown_ = at;
        tabs_[at].mark = TabMark::None;
    }
}

void ProfileTabs::setAccount(std::size_t at, std::string_view account) {
    tabs_.at(at).account = account;
}

void ProfileTabs::setChannel(std::size_t at, std::string_view channel) {
    tabs_.at(at).channel = channel;
}

void ProfileTabs::Mark(std::size_t at, TabMark mark) {
    Tab& tab = tabs_.at(at);
    if (at != shown_ && mark > tab.mark) {
        tab.mark = mark;
    }
}

std::string ProfileTabs::Account(const Tab& tab) const {
    if (!tab.account.empty()) {
        return NotificationText(tab.account, kAccountCharacters);
    }
    return tab.profile.empty() ? "Varno" : tab.profile;
}

std::string ProfileTabs::Label(std::size_t at) const {
    const Tab& tab = tabs_.at(at);
    std::string label = Account(tab);
    if (!tab.channel.empty()) {
        label += kDot;
        label += NotificationText(tab.channel, kChannelCharacters);
    }
    return label;
}

std::string ProfileTabs::Titled(std::size_t at, std::string_view title) const {
    std::string titled(title);
    if (tabs_.size() > 1) {
        titled += kDot;
        titled += Account(tabs_.at(at));
    }
    return titled;
}

std::size_t ProfileTabs::PlaceFor(std::string_view profile) const {
    std::size_t at = 0;
    while (at < tabs_.size() && tabs_[at].profile < profile) {
        ++at;
    }
    return at;
}

int ProfileTabs::unseen() const {
    int sum = 0;
    for (const Tab& tab : tabs_) {
        sum += tab.unseen;
    }
    return sum;
}

std::optional<std::size_t> ProfileTabs::Step(int direction) const {
    const std::size_t n = tabs_.size();
    if (n < 2 || direction == 0) {
        return std::nullopt;
    }
    return direction > 0 ? (shown_ + 1) % n : (shown_ + n - 1) % n;
}

std::optional<std::size_t> ProfileTabs::Numbered(int number) const {
    if (number < 1 || number > 9 || static_cast<std::size_t>(number) > tabs_.size()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(number - 1);
}

}  // namespace varno
