#include "bench/session.h"

#include <cstdint>
#include <vector>

namespace varno::bench {
namespace {

constexpr const char* kProducts[] = {"[STAR]", "[SEXP]", "[W2BN]", "[D2DV]", "[WAR3]", "[CHAT]"};
constexpr const char* kFlags[] = {"0010", "0000", "0010", "0002"};

// A small fixed-seed generator, so every run of a benchmark sees the same session.
class Sequence {
public:
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::size_t below(std::size_t n) { return next() % n; }

private:
    std::uint64_t state_ = 0x5eed;
};

void AddUserLine(std::string& out, const char* head, std::size_t user, bool withProduct) {
    out += head;
    out += UserName(user);
    out += ' ';
    out += kFlags[user % 4];
    if (withProduct) {
        out += ' ';
        out += kProducts[user % 6];
    }
    out += "\r\n";
}

void AddTextLine(std::string& out, const char* head, std::size_t user, std::size_t text) {
    out += head;
    out += UserName(user);
    out += ' ';
    out += kFlags[user % 4];
    out += " \"";
    out += TalkText(text);
    out += "\"\r\n";
}

}  // namespace

std::string UserName(std::size_t i) {
    static constexpr const char* kStarts[] = {"Dark",  "xX",  "Sir",  "Zerg",   "Pro", "the",
                                              "Night", "Lil", "Mega", "Kn1ght", "Ace"};
    static constexpr const char* kEnds[] = {"Lord", "Slayer", "_",    "Rush", "Gamer", "Wolf", "Xx",
                                            "zor",  "Bot",    "Mage", "Fox",  "ling",  "Pwn"};
    std::string name = kStarts[i % 11];
    name += kEnds[(i / 11) % 13];
    name += std::to_string(i);
    return name;
}

std::string TalkText(std::size_t i) {
    static constexpr std::string_view kWords =
        "so anyone up for a game tonight lol brb gg well played that was close check the "
        "new map pack ";
    const std::size_t length = 8 + (i * 37) % 73;
    const std::size_t start = (i * 11) % (kWords.size() - length);
    return std::string(kWords.substr(start, length));
}

std::string WordList(std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += i % 100 == 99 ? "*gg well played th*" : "*qz" + std::to_string(i) + "x*";
        out += "\r\n";
    }
    return out;
}

std::string ChannelSession(std::size_t present, std::size_t lines) {
    Sequence seq;
    std::string out = "1007 CHANNEL \"Brood War USA-1\"\r\n";
    std::vector<std::size_t> here;
    std::size_t nextUser = 0;
    for (; nextUser < present; ++nextUser) {
        AddUserLine(out, "1001 USER ", nextUser, true);
        here.push_back(nextUser);
    }
    for (std::size_t line = 0; line < lines; ++line) {
        const std::size_t roll = seq.below(100);
        if (roll < 8 || here.empty()) {
            AddUserLine(out, "1002 JOIN ", nextUser, true);
            here.push_back(nextUser++);
        } else if (roll < 16) {
            const std::size_t at = seq.below(here.size());
            AddUserLine(out, "1003 LEAVE ", here[at], false);
            here[at] = here.back();
            here.pop_back();
        } else if (roll < 26) {
            AddTextLine(out, "1023 EMOTE ", here[seq.below(here.size())], line);
        } else {
            AddTextLine(out, "1005 TALK ", here[seq.below(here.size())], line);
        }
    }
    return out;
}

std::string FloodSession(std::size_t users, std::size_t talk) {
    std::string out = "1007 CHANNEL \"Flood\"\r\n";
    for (std::size_t i = 0; i < users; ++i) {
        AddUserLine(out, "1001 USER ", i, true);
    }
    for (std::size_t i = 0; i < talk; ++i) {
        AddTextLine(out, "1005 TALK ", i % users, i);
    }
    for (std::size_t i = 0; i < users; ++i) {
        AddUserLine(out, "1003 LEAVE ", i, false);
    }
    return out;
}

}  // namespace varno::bench
