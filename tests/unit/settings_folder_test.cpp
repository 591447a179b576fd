#include "apps/settings_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/fakes.h"

namespace varno {
namespace {

TEST(SettingsFolder, TheProgramsFolderWhenWritableElseTheUsersConfigFolder) {
    test::TempFolder dir;
    const std::string home = dir.file("home");
    const std::string xdg = dir.file("xdg");
    struct Case {
        bool writable;
        const char* xdgConfigHome;
        std::string folder;
    };
    const Case cases[] = {
        {true, xdg.c_str(), "/opt/varno/bin"},
        {false, xdg.c_str(), xdg + "/varno"},
        {false, nullptr, home + "/.config/varno"},
        {false, "", home + "/.config/varno"},
        {false, "relative/config", home + "/.config/varno"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFolder("/opt/varno/bin", c.writable, c.xdgConfigHome, home.c_str()),
                  c.folder);
    }
    for (const std::string& made : {xdg + "/varno", home + "/.config/varno"}) {
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0) << made;
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    }
}

}  // namespace
}  // namespace varno
