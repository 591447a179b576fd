#include "ui/window_memory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

TEST(WindowMemory, APlaceIsRecalledOnlyWhenWholeAndOnAScreen) {
    const std::vector<ScreenRect> screens = {{0, 0, 1280, 800}, {1280, 0, 1024, 768}};
    struct Case {
        const char* file;
        std::optional<WindowPlace> recalled;
    };
    const Case cases[] = {
        {"[Window]\nX=100\nY=50\nWidth=650\nHeight=500\nMaximised=0\n",
         WindowPlace{{100, 50, 650, 500}, false}},
        {"[Window]\nX=-600\nY=-450\nWidth=650\nHeight=500\nMaximised=1\n",
         WindowPlace{{-600, -450, 650, 500}, true}},  // 50 pixels each way still on screen
        {"[Window]\nX=-603\nY=10\nWidth=650\nHeight=500\n", std::nullopt},  // 47 across
        {"[Window]\nX=2256\nY=10\nWidth=650\nHeight=500\n",
         WindowPlace{{2256, 10, 650, 500}, false}},  // on the second screen by 48
        {"[Window]\nX=2257\nY=10\nWidth=650\nHeight=500\n", std::nullopt},  // a removed monitor
        {"[Window]\nX=10\nY=10\nWidth=0\nHeight=500\n", std::nullopt},
        {"[Window]\nX=10\nY=ten\nWidth=650\nHeight=500\n", std::nullopt},
        {"[Window]\nX=100000\nY=10\nWidth=650\nHeight=500\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        test::TempFolder dir;
        const std::string path = dir.write("window.ini", c.file);
        const std::string keep = "1";
        WindowMemory memory(path, keep);
        EXPECT_EQ(memory.Recall(screens), c.recalled) << c.file;
    }
}

TEST(WindowMemory, WritesOnlyWhatChangedAndNothingWithKeepWindowZero) {
    test::TempFolder dir;
    const std::string path = dir.file("window.ini");
    std::string keep = "0";
    WindowMemory memory(path, keep);
    const WindowPlace place{{10, 20, 650, 500}, false};
    EXPECT_FALSE(memory.Recall({{0, 0, 800, 600}}));
    EXPECT_TRUE(memory.Keep(place));
    EXPECT_FALSE(std::filesystem::exists(path));

    keep = "1";
    EXPECT_TRUE(memory.Keep(place));
    EXPECT_EQ(dir.read("window.ini"),
              "[Window]\r\nX=10\r\nY=20\r\nWidth=650\r\nHeight=500\r\nMaximised=0\r\n");
    // Unchanged: the file is not written again (the mark stays).
    dir.write("window.ini", "; mark\n[Window]\nX=10\nY=20\nWidth=650\nHeight=500\nMaximised=0\n");
    WindowMemory again(path, keep);
    EXPECT_EQ(again.Recall({{0, 0, 800, 600}}), place);
    EXPECT_TRUE(again.Keep(place));
    EXPECT_TRUE(dir.read("window.ini").starts_with("; mark\n"));
    EXPECT_TRUE(again.Keep({{10, 20, 650, 500}, true}));
    EXPECT_TRUE(dir.read("window.ini").ends_with("Maximised=1\n")) << dir.read("window.ini");
}

}  // namespace
}  // namespace varno
