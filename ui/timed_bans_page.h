#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "moderation/timed_bans.h"

namespace varno {

class Client;

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
