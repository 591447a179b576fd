#include "channel/product_icon.h"

#include <gtest/gtest.h>

#include <string_view>

namespace varno {
namespace {

TEST(ProductIcon, ProductTagsThenStatusFromFlagCharacters) {
    struct Case {
        std::string_view product;
        std::string_view flags;
        std::int16_t icon;
    };
    const Case cases[] = {
        {"[CHAT]", "0010", 2},
        {"[DRTL]", "0010", 3},
        {"[DSHR]", "0010", 4},
        {"[D2DV]", "0010", 5},
        {"[STAR]", "0010", 6},
        {"[SSHR]", "0010", 7},
        {"[SEXP]", "0010", 9},
        {"[W2BN]", "0010", 10},
        {"[JSTR]", "0010", 11},
        {"[D2XP]", "0010", 12},
        {"[BRX]", "0000", 13},
        // Status icons win over the product.
        {"[STAR]", "0002", 1},
        {"[STAR]", "0020", 13},
        {"[STAR]", "0030", 13},
        {"[STAR]", "0001", 14},
        {"[STAR]", "0012", 1},
        // Characters, not bits: 0003 holds neither "2" nor "1" as its fourth character.
        {"[STAR]", "0003", 6},
        // A speaker keeps the product icon.
        {"[STAR]", "0004", 6},
        {"[CHAT]", "0014", 2},
        // Unknown or differently cased tags give no icon.
        {"[XXXX]", "0010", 0},
        {"[star]", "0010", 0},
        {"STAR", "0010", 0},
        {"", "0010", 0},
        {"[XXXX]", "0002", 1},
        // Flags shorter than four characters fail every test.
        {"[STAR]", "002", 6},
        {"[STAR]", "", 6},
        {"[XXXX]", "20", 0},
        // Only the third and fourth characters count.
        {"[CHAT]", "FF02", 1},
        {"[CHAT]", "00020", 1},
        {"[CHAT]", "0120", 13},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProductIcon(c.product, c.flags), c.icon) << c.product << " " << c.flags;
    }
}

TEST(FlagsIcon, StatusOrNone) {
    struct Case {
        std::string_view flags;
        std::int16_t icon;
    };
    const Case cases[] = {
        {"0002", 1}, {"0012", 1}, {"0020", 13}, {"0030", 13}, {"0001", 14},
        {"0000", 0}, {"0010", 0}, {"0003", 0},  {"0004", 0},  {"0040", 0},
        {"002", 0},  {"", 0},     {"0120", 13}, {"0021", 14},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FlagsIcon(c.flags), c.icon) << c.flags;
    }
}

}  // namespace
}  // namespace varno
