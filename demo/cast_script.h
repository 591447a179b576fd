#pragma once

#include <string_view>
#include <vector>

namespace varno::demo {

// What the demo's simulated users say. "{name}" stands for the user spoken about or to.
struct CastScript {
    std::vector<std::string_view> chat;      // said in turn, one after another
    std::vector<std::string_view> whispers;  // to the channel's operator
    std::vector<std::string_view> boss;      // trigger commands for the bot
    std::vector<std::string_view> remarks;   // after a joiner was banned
    std::vector<std::string_view> spam;      // what an unbanned joiner says
    std::vector<std::string_view> joiners;   // name stems; "#" stands for a number

    static const CastScript& Default();
};

}  // namespace varno::demo
