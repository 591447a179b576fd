#include "moderation/list_editor.h"

#include <optional>
#include <utility>

#include "moderation/pattern.h"

namespace varno {
namespace {

std::string_view ListName(ListKind list) {
    return list == ListKind::Ban ? "the ban list" : "the word list";
}

// A pattern or name as an answer echoes it: the first kEchoMax bytes and "..." when longer,
// so the answer stays within what one chat line may hold. A cut never splits a UTF-8
// character.
constexpr std::size_t kEchoMax = 60;

std::string Echo(std::string_view text) {
    if (text.size() <= kEchoMax) {
        return std::string(text);
    }
    std::size_t cut = kEchoMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "...";
}

// The first of this client's name and the database's names that a new ban pattern would
// match, if any.
std::optional<std::string> TrustedMatch(std::string_view pattern, std::string_view ownName,
                                        const Database& database) {
    const CompiledPattern compiled(pattern);
    if (compiled.Matches(ownName)) {
        return std::string(ownName);
    }
    for (const std::string& name : database.entries()) {
        if (compiled.Matches(name)) {
            return name;
        }
    }
    return std::nullopt;
}

// Whether a word pattern is too wide to name a word: it matches every single letter, as
// "*", "?" and "*?" do, so it would kick for any short line or, as "*", for every line.
bool MatchesEveryLine(std::string_view pattern) {
    const CompiledPattern compiled(pattern);
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        if (!compiled.Matches(std::string_view(&letter, 1))) {
            return false;
        }
    }
    return true;
}

}  // namespace

ListEditor::ListEditor(const Database& database, BanList& banList, BanList& badWords,
                       LogWriter& writer, Files files, Hooks hooks)
    : database_(database),
      banList_(banList),
      badWords_(badWords),
      writer_(writer),
      files_(std::move(files)),
      hooks_(std::move(hooks)) {}

bool ListEditor::ChangeList(std::string_view speaker, ListKind list, bool add,
                            std::string_view pattern,
                            const std::function<void(std::string_view)>& answerWith) {
    const std::string what = Echo(pattern);
    if (add && list == ListKind::Ban) {
        if (const auto name = TrustedMatch(pattern, hooks_.ownName(), database_)) {
            answerWith("Refused: " + what + " would match " + Echo(*name));
            return false;
        }
    }
    if (add && list == ListKind::Words && MatchesEveryLine(pattern)) {
        answerWith("Refused: " + what + " would match every line");
        return false;
    }
    const std::string& path = list == ListKind::Ban ? files_.shitlist : files_.badwords;
    const ListEdit result = add ? AddListLine(path, pattern) : RemoveListLine(path, pattern);
    const std::string_view listName = ListName(list);
    std::string answer;
    switch (result) {
        case ListEdit::Added:
            answer = "Added " + what + " to " + std::string(listName);
            break;
        case ListEdit::Removed:
            answer = "Removed " + what + " from " + std::string(listName);
            break;
        case ListEdit::AlreadyThere:
            answer = "Already on " + std::string(listName) + ": " + what;
            break;
        case ListEdit::NotThere:
            answer = "Not on " + std::string(listName) + ": " + what;
            break;
        case ListEdit::NotAPattern:
            answer = "No pattern given";
            break;
        case ListEdit::Failed:
            answer = "Could not change " + std::string(listName);
            writer_.Line(LogTarget::Main, colour::kRed, "Could not change " + path);
            break;
    }
    answerWith(answer);
    if (result != ListEdit::Added && result != ListEdit::Removed) {
        return false;
    }
    writer_.Line(LogTarget::Main, colour::kOrange, answer + " (" + std::string(speaker) + ")");
    if (list == ListKind::Words) {
        badWords_.ReloadBanList(files_.badwords);
        return true;
    }
    banList_.ReloadBanList(files_.shitlist);
    if (add && hooks_.banPresentUsers) {
        hooks_.banPresentUsers();
    }
    return true;
}

void ListEditor::CountBanList(const std::function<void(std::string_view)>& answer) const {
    const std::size_t count = banList_.patterns().size();
    answer("The ban list holds " + std::to_string(count) + (count == 1 ? " pattern" : " patterns"));
}

}  // namespace varno
