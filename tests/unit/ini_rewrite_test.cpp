#include <gtest/gtest.h>

#include "connection/ini_file.h"
#include "support/fakes.h"

namespace varno {
namespace {

// Writing one key rewrites the whole file: every other line must read back as it did,
// whatever line ends the file holds. Found by the settings fuzz target.
TEST(IniRewrite, WritingOneKeyLeavesEveryOtherValueAsItReads) {
    const std::string files[] = {
        "[Varno]\r:\nIdle=is idle\r\r\nHome=Lobby\r\n",  // a value ending in CR, LF file
        "[Varno]\r\nIdle=a\r\r\r\nHome=b\n",             // mixed ends, CR LF file
        "[Varno\r\nIdle=x\r\n",                          // header without its bracket
        "[Varno]\nIdle=last line without an end\r",
    };
    for (const std::string& bytes : files) {
        test::TempFolder dir;
        dir.write("Varno.ini", bytes);
        const std::string ini = dir.file("Varno.ini");
        const std::string idle = ReadIniValue("Varno", "Idle", ini);
        const std::string home = ReadIniValue("Varno", "Home", ini);
        ASSERT_TRUE(WriteIniValue("Varno", "Server", "chat.example", ini));
        EXPECT_EQ(ReadIniValue("Varno", "Server", ini), "chat.example") << bytes;
        EXPECT_EQ(ReadIniValue("Varno", "Idle", ini), idle) << bytes;
        EXPECT_EQ(ReadIniValue("Varno", "Home", ini), home) << bytes;
    }
}

}  // namespace
}  // namespace varno
