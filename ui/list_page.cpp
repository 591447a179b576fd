#include "ui/list_page.h"

#include "base/text_case.h"
#include "client/client.h"
#include "moderation/pattern.h"

namespace varno {
namespace {

// A test answer names at most this many of the patterns matched, so that it stays one line
// whatever the list holds.
constexpr std::size_t kNamedMatches = 5;

}  // namespace

ListPage::ListPage(Client& client, ListKind kind) : client_(client), kind_(kind) {
    Refresh();
}

const std::vector<std::string>& ListPage::held() const {
    return kind_ == ListKind::Ban ? client_.banList().patterns()
                                  : client_.protection().badWords().patterns();
}

bool ListPage::Refresh() {
    if (held() == shown_) {
        return false;
    }
    shown_ = held();
    return true;
}

std::string ListPage::CountText() const {
    return std::to_string(shown_.size()) + (shown_.size() == 1 ? " pattern" : " patterns");
}

std::string ListPage::Add(std::string_view text) {
    std::string answer;
    client_.EditListFromWindow(kind_, true, TrimBlanks(text), answer);
    Refresh();
    return answer;
}

std::string ListPage::Remove(const std::vector<std::string>& patterns) {
    std::size_t removed = 0;
    std::string others;
    std::string answer;
    for (const std::string& pattern : patterns) {
        if (client_.EditListFromWindow(kind_, false, pattern, answer)) {
            ++removed;
        } else {
            others += "; " + answer;
        }
    }
    Refresh();
    if (patterns.size() == 1) {
        return answer;
    }
    const std::string list = kind_ == ListKind::Ban ? "the ban list" : "the word list";
    return "Removed " + std::to_string(removed) + (removed == 1 ? " pattern" : " patterns") +
           " from " + list + others;
}

std::string ListPage::Test(std::string_view text) const {
    if (text.empty()) {
        return kind_ == ListKind::Ban ? "Type a name to test" : "Type a line to test";
    }
    std::size_t count = 0;
    std::string matches;
    for (const std::string& pattern : shown_) {
        if (!CompiledPattern(pattern).Matches(text)) {
            continue;
        }
        if (++count <= kNamedMatches) {
            matches += (count == 1 ? "" : ", ") + pattern;
        }
    }
    if (count > kNamedMatches) {
        matches += " and " + std::to_string(count - kNamedMatches) + " more";
    }
    if (kind_ == ListKind::Ban) {
        return TestName(text, matches);
    }
    if (matches.empty()) {
        return "The line matches no banned word";
    }
    return "The line matches " + matches +
           ": whoever says it is kicked for language, unless the rules spare them";
}

std::string ListPage::TestName(std::string_view name, const std::string& matches) const {
    const std::string who(name);
    if (matches.empty()) {
        return who + " matches no pattern: it would not be banned";
    }
    if (!client_.SparesFromBans(name)) {
        return who + " matches " + matches + ": it would be banned";
    }
    std::string why = "its flags mark staff, an operator or an administrator";
    if (EqualsIgnoreCase(name, client_.ownName())) {
        why = "it is this client's own name";
    } else if (client_.database().IsInDatabase(name)) {
        why = "it is in database.txt";
    }
    return who + " matches " + matches + ", but it is trusted and never banned: " + why;
}

}  // namespace varno
