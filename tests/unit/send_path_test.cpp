#include <gtest/gtest.h>

#include "support/connection_rig.h"

namespace varno {
namespace {

// The one path every outgoing line takes: a text reaches the server as the lines it holds.
TEST(SendPathTest, TextWithALoneCrOrLfIsNotSent) {
    struct Case {
        std::string text;
        std::string sent;
    };
    const Case cases[] = {
        {"/ban bob boo", "/ban bob boo\r\n"},
        {"typed\r\n", "typed\r\n\r\n"},
        {"", "\r\n"},
        {"/ban evil\nname boo", ""},
        {"/ban evil\rname boo", ""},
        {"ends in cr\r", ""},
        {"\nstarts with lf", ""},
        {"a\n\rb", ""},
        {std::string("nul\0inside", 10), std::string("nul\0inside\r\n", 12)},
    };
    for (const Case& c : cases) {
        test::ConnectionRig rig;
        rig.link.connectNow();
        rig.connection.SendChat(c.text);
        EXPECT_EQ(rig.link.allWritten(), c.sent) << c.text;
    }
}

}  // namespace
}  // namespace varno
