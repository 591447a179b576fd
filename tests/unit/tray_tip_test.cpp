#include "tray/tray_tip.h"

#include <gtest/gtest.h>

#include <string>

namespace varno {
namespace {

TEST(TrayTip, RecordIsCaptionNulThenBlanksOrCutAt64) {
    struct Case {
        std::size_t captionLength;
        std::string shown;  // what the notification area shows
    };
    const std::string x63(63, 'x'), x64(64, 'x'), x65(65, 'x');
    for (const Case& c : {Case{0, ""}, Case{63, x63}, Case{64, x64}, Case{65, x64}}) {
        const std::string caption(c.captionLength, 'x');
        const std::string record = TrayTipRecord(caption);
        ASSERT_EQ(record.size(), kTrayTipWidth) << c.captionLength;
        EXPECT_EQ(TrayTipText(caption), c.shown) << c.captionLength;
        if (c.captionLength < kTrayTipWidth) {
            EXPECT_EQ(record[c.captionLength], '\0');
            EXPECT_EQ(record.substr(c.captionLength + 1),
                      std::string(kTrayTipWidth - c.captionLength - 1, ' '));
        } else {
            EXPECT_EQ(record.find('\0'), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace varno
