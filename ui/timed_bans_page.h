#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varno {

class Client;

// How long until a timed ban is lifted, to the second below an hour: "59 s", "4 min 10 s",
// "2 h 5 min", "3 d 4 h". Zero or less: "due".
std::string TimeLeftText(std::int64_t seconds);

// The Timed bans page of the Moderation window: the bans the program will lift by itself,
// and lifting one now.
class TimedBansPage {
public:
    struct Row {
        std::string name;
        std::string left;  // TimeLeftText, or "lifting" while its unban waits for the server

        friend bool operator==(const Row&, const Row&) = default;
    };

    explicit TimedBansPage(Client& client) : client_(client) {}

    // The pending bans in the order they were made, as of now.
    std::vector<Row> Rows() const;
    // What the page says above the list: why it is empty, or that BanMinutes is off.
    std::string Note() const;
    // Sends the unban of name as its time being over would; returns what became of it.
    std::string Lift(std::string_view name);

private:
    Client& client_;
};

}  // namespace varno
