#include "ui/layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace varno {
namespace {

struct Box {
    int left, top, width, height;
    friend bool operator==(const Box&, const Box&) = default;
};

constexpr int kClientWidth = 9750;
constexpr int kClientHeight = 7305;

// The full client's controls in twips.
const std::vector<Box> kSnapshot = {
    {120, 120, 6615, 5175},  {120, 5400, 6615, 1095}, {120, 6600, 6615, 285},
    {6840, 6600, 2775, 255}, {6840, 120, 2775, 255},  {6840, 480, 2775, 6015},
    {120, 6960, 1095, 285},  {1320, 6960, 8295, 255},
};

std::vector<ControlRecord> Records() {
    std::vector<ControlRecord> records;
    for (const Box& b : kSnapshot) {
        records.push_back({static_cast<std::int16_t>(b.top), static_cast<std::int16_t>(b.left),
                           static_cast<std::int16_t>(b.width), static_cast<std::int16_t>(b.height),
                           kClientHeight, kClientWidth});
    }
    return records;
}

// Applies each property that has a value, as the window does.
void Apply(std::vector<Box>& boxes, const std::vector<Geometry>& geometry) {
    ASSERT_EQ(boxes.size(), geometry.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i].top = geometry[i].top.value_or(boxes[i].top);
        boxes[i].left = geometry[i].left.value_or(boxes[i].left);
        boxes[i].width = geometry[i].width.value_or(boxes[i].width);
        boxes[i].height = geometry[i].height.value_or(boxes[i].height);
    }
}

TEST(Layout, MaximiseScalesEachAxisByItsOwnRatio) {
    std::vector<Box> boxes = kSnapshot;
    Apply(boxes, Relayout(Records(), 2.0 * kClientHeight, 3.0 * kClientWidth));
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const Box& s = kSnapshot[i];
        EXPECT_EQ(boxes[i], (Box{3 * s.left, 2 * s.top, 3 * s.width, 2 * s.height})) << i;
    }
}

TEST(Layout, RoundsToTheNearestTwip) {
    const std::vector<ControlRecord> records = {{10, 10, 10, 10, 30, 30}};
    const std::vector<Geometry> geometry = Relayout(records, 40, 44);
    EXPECT_EQ(geometry[0], (Geometry{13, 15, 15, 13}));  // 13.33 and 14.67
}

TEST(Layout, ResizeCyclesNeverDrift) {
    const std::vector<ControlRecord> records = Records();
    std::vector<Box> boxes = kSnapshot;
    for (int cycle = 0; cycle < 100; ++cycle) {
        Apply(boxes, Relayout(records, 1017 * 15, 1920 * 15));         // maximise
        Apply(boxes, Relayout(records, kClientHeight, kClientWidth));  // restore
        ASSERT_EQ(boxes, kSnapshot) << cycle;
        Apply(boxes, Relayout(records, 0, 0));  // minimise
        ASSERT_EQ(boxes, kSnapshot) << cycle;
        Apply(boxes, Relayout(records, 333 * 15 + 7, 501 * 15 + 4));  // odd sizes
        Apply(boxes, Relayout(records, kClientHeight, kClientWidth));
        ASSERT_EQ(boxes, kSnapshot) << cycle;
    }
}

TEST(Layout, ZeroOrUnusableClientSizeLeavesEveryControl) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [h, w] : std::vector<std::pair<double, double>>{
             {0, 0}, {0, 9750}, {7305, 0}, {-15, 9750}, {nan, 9750}, {7305, inf}}) {
        const std::vector<Geometry> geometry = Relayout(Records(), h, w);
        ASSERT_EQ(geometry.size(), kSnapshot.size());
        for (const Geometry& g : geometry) {
            EXPECT_EQ(g, Geometry{}) << h << " x " << w;
        }
    }
}

TEST(Layout, RecordWithoutClientSizeSkipsThoseProperties) {
    const std::vector<ControlRecord> records = {
        {100, 200, 300, 400, 0, 0},
        {100, 200, 300, 400, 0, 1000},
        {100, 200, 300, 400, 1000, 0},
    };
    const std::vector<Geometry> geometry = Relayout(records, 2000, 2000);
    EXPECT_EQ(geometry[0], Geometry{});
    EXPECT_EQ(geometry[1], (Geometry{std::nullopt, 400, 600, std::nullopt}));
    EXPECT_EQ(geometry[2], (Geometry{200, std::nullopt, std::nullopt, 800}));
}

TEST(Layout, OutOfRangeResultIsSkipped) {
    const std::vector<ControlRecord> records = {{32767, 1, 1, 1, 1, 1}};
    const std::vector<Geometry> geometry = Relayout(records, 1e300, 2);
    EXPECT_EQ(geometry[0], (Geometry{std::nullopt, 2, 2, std::nullopt}));
}

TEST(Layout, TwipPixelConversion) {
    EXPECT_EQ(PixelsToTwips(650), 9750);
    EXPECT_EQ(PixelsToTwips(5000), 32767);
    EXPECT_EQ(PixelsToTwips(-5000), -32768);
    EXPECT_EQ(TwipsToPixels(9750), 650);
    EXPECT_EQ(TwipsToPixels(22), 1);
    EXPECT_EQ(TwipsToPixels(23), 2);
}

}  // namespace
}  // namespace varno
