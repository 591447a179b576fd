#include "log/links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/display_text.h"

namespace varno {
namespace {

TEST(FindLinks, WebAddressesOnlyWithWhatAClickOpens) {
    struct Case {
        const char* text;
        std::vector<LinkSpan> links;
    };
    const Case cases[] = {
        {"see http://a.example/x?y=1 now", {{4, 26, "http://a.example/x?y=1"}}},
        {"HTTPS://a.example.", {{0, 17, "HTTPS://a.example"}}},
        {"www.example.com, and", {{0, 15, "http://www.example.com"}}},
        {"(see www.a.b/c_(d))", {{5, 18, "http://www.a.b/c_(d)"}}},
        {"(www.a.b)", {{1, 8, "http://www.a.b"}}},
        {"<http://a.b>", {{1, 11, "http://a.b"}}},
        {"http://a.b\x01"
         "c",
         {{0, 10, "http://a.b"}}},
        {"two: http://a.b https://c.d", {{5, 15, "http://a.b"}, {16, 27, "https://c.d"}}},
        {"file:///etc/passwd ftp://a.b javascript:x", {}},
        {"http:// https://. www.", {}},
        {"xwww.a.b ahttp://a.b", {}},
        {"http://a.b\xC3\xA9", {{0, 10, "http://a.b"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindLinks(c.text), c.links) << c.text;
    }
}

TEST(VisibleText, SplitPointFollowsTheTextAsTheWholeIsRead) {
    struct Case {
        const char* bytes;
        std::size_t at;
        std::size_t movedTo;
    };
    const Case cases[] = {
        {"bob: hi", 5, 5},
        {"b\x01: hi", 4, 6},      // a control before it becomes a 3-byte symbol
        {"b\xE9: hi", 4, 5},      // Windows-1252: the whole is read so, the head too
        {"b\xC3\xA9: hi", 5, 5},  // UTF-8 stays as it is
        {"bob", 9, 3},
    };
    for (const Case& c : cases) {
        std::size_t at = c.at;
        EXPECT_EQ(VisibleText(c.bytes, at), VisibleText(c.bytes)) << c.bytes;
        EXPECT_EQ(at, c.movedTo) << c.bytes;
    }
}

}  // namespace
}  // namespace varno
