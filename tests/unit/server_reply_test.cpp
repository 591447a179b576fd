#include "moderation/server_reply.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

using Action = ModerationAction;
using Kind = ServerReply::Kind;

// Every text the gateway answers a ban, kick or unban with, and the near misses that must
// not pass for one. The client is "alice".
TEST(ServerReply, TheGatewaysWordsAreReadExactly) {
    struct Case {
        bool error;
        std::string text;
        Kind kind;
        std::optional<Action> action = std::nullopt;
        std::string name = "";
        bool rights = false;
    };
    const Case cases[] = {
        {false, "spam1 has been banned by alice (boo).", Kind::Confirmed, Action::Ban, "spam1"},
        {false, "Spam1 has been banned by ALICE.", Kind::Confirmed, Action::Ban, "Spam1"},
        {false, "[Clan]Bob has been banned by alice", Kind::Confirmed, Action::Ban, "[Clan]Bob"},
        {false, "spam1 has been banned by alicex.", Kind::Other},
        {false, "spam1 has been banned by alice.x.", Kind::Other},
        {false, "spam1 has been banned by bob (alice).", Kind::Other},
        {false, "spam1 has been banned", Kind::Other},
        {false, " has been banned by alice.", Kind::Other},
        // A reason can't forge a ban: the text is read from its start.
        {false, "bob has been kicked by alice (x has been banned by alice.).", Kind::Confirmed,
         Action::Kick, "bob"},
        {false, "bob has been kicked by eve (x has been banned by alice.).", Kind::Other},
        {false, "said x has been banned by alice.", Kind::Other},
        {false, "bob has been kicked by alice.", Kind::Confirmed, Action::Kick, "bob"},
        {false, "Zed is no longer banned from this channel.", Kind::Confirmed, Action::Unban,
         "Zed"},
        {false, "a b is no longer banned from this channel.", Kind::Other},
        {true, "Zed is no longer banned from this channel.", Kind::Unknown},
        {true, "That user is not banned.", Kind::NotBanned, Action::Unban},
        {false, "That user is not banned.", Kind::Other},
        {true, "You have to be at least a Channel Operator to use this command.", Kind::Refused,
         Action::Ban, "", true},
        {false, "That account doesn't currently exist.", Kind::Refused, Action::Ban},
        {true, "That account doesn't currently exist.", Kind::Unknown},
        {true, "You cannot ban administrators.", Kind::Refused, Action::Ban},
        {true, "You cannot ban operators.", Kind::Refused, Action::Ban},
        {true, "Unable to ban SPAM1.", Kind::Refused, Action::Ban, "SPAM1"},
        {true, "Unable to ban .", Kind::Unknown},
        {true, "This command can only be used inside a channel.", Kind::Refused, std::nullopt, "",
         true},
        {true, "You have to be at least a Channel Operator or tempOP to use this command.",
         Kind::Refused, Action::Kick, "", true},
        {true, "That user is not logged in.", Kind::Refused, Action::Kick},
        {true, "That user is not in this channel.", Kind::Refused, Action::Kick},
        {true, "You cannot kick administrators.", Kind::Refused, Action::Kick},
        {true, "You cannot kick operators.", Kind::Refused, Action::Kick},
        {true, "You are not a channel operator.", Kind::Refused, Action::Unban, "", true},
        {true, "you cannot ban operators.", Kind::Unknown},
        {true, "Hello alice, welcome to Gateway Realm!", Kind::Unknown},
        {true, "Your message quota has been exceeded!", Kind::DropNotice},
        {false, "alice is using Chat and is currently in channel \"Lobby\".", Kind::Other},
    };
    for (const Case& c : cases) {
        const ServerReply reply = ReadServerReply(c.error, c.text, "alice");
        EXPECT_EQ(reply.kind, c.kind) << c.text;
        EXPECT_EQ(reply.action, c.action) << c.text;
        EXPECT_EQ(reply.name, c.name) << c.text;
        EXPECT_EQ(reply.rights, c.rights) << c.text;
    }
}

}  // namespace
}  // namespace varno
