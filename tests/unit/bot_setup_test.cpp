#include "headless/bot_setup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/edition.h"
#include "connection/connection.h"
#include "connection/options.h"
#include "connection/settings.h"
#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

TEST(BotSetup, SettingsWithoutAServerOrANameAreNamedInOneLine) {
    struct Case {
        const char* ini;  // nullptr: no file
        std::string problem;
    };
    const Case cases[] = {
        {nullptr,
         "/Varno.ini is missing; VarnoBot --init --folder FOLDER writes one to fill in "
         "(see man varno.ini)"},
        {"", "/Varno.ini has no Server; see man varno.ini"},
        {"[Varno]\nUsername=bot\nServer=\n", "/Varno.ini has no Server; see man varno.ini"},
        {"[Varno]\nServer=chat.example\n", "/Varno.ini has no Username; see man varno.ini"},
        {"[Other]\nServer=chat.example\nUsername=bot\n",
         "/Varno.ini has no Server; see man varno.ini"},
        {"[Varno]\nServer=chat.example\nUsername=bot\n", ""},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        if (c.ini) {
            folder.write("Varno.ini", c.ini);
        }
        std::string expected = c.problem;
        if (!expected.empty()) {
            expected = folder.path().string() + expected;
            if (const auto at = expected.find("FOLDER"); at != std::string::npos) {
                expected.replace(at, 6, folder.path().string());
            }
        }
        EXPECT_EQ(SettingsProblem(folder.path().string()), expected) << (c.ini ? c.ini : "none");
    }
}

TEST(BotSetup, StartingSetIsOwnerOnlyReadsAsTheDefaultsAndKeepsItsCommentsThroughOk) {
    TempFolder parent;
    const std::string folder = parent.file("new/bot");
    // With no umask to take bits away, the modes are the ones the folders are made with.
    const mode_t saved = ::umask(0);
    const StartingSet set = WriteStartingSet(folder);
    ::umask(saved);
    ASSERT_TRUE(set.written) << set.message;
    EXPECT_NE(set.message.find("Next: fill in Server, Username and Password"), std::string::npos);
    for (const std::string& made : {parent.file("new"), folder}) {
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 07777, 0700u) << made;
    }
    for (const char* name : {"Varno.ini", "shitlist.txt", "database.txt", "badwords.txt"}) {
        struct stat st {};
        ASSERT_EQ(::stat((folder + "/" + name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
        EXPECT_EQ(st.st_size == 0, std::string(name) != "Varno.ini") << name;
    }
    const std::string ini = folder + "/Varno.ini";
    Settings read;
    ReadSettings(read, Edition::v201(), ini);
    EXPECT_EQ(read.SendQuota, "4");
    EXPECT_EQ(read.SendWindow, "5000");
    EXPECT_EQ(read.BanOnEntry, "1");
    EXPECT_EQ(read.ProtectTrusted, "1");
    EXPECT_EQ(read.LoginTimeout, std::to_string(Connection::kLoginTimeoutSeconds));
    EXPECT_EQ(read.SilenceTimeout, std::to_string(Connection::kSilenceTimeoutSeconds));
    EXPECT_EQ(read.Backoff, "1");
    for (const std::string* empty : {&read.Username, &read.Server, &read.Delay, &read.Clear,
                                     &read.FloodLines, &read.BanMinutes, &read.LogFolder}) {
        EXPECT_EQ(*empty, "");
    }
    EXPECT_EQ(SettingsProblem(folder), ini + " has no Server; see man varno.ini");

    // Ok of the options dialog fills the boxes in and keeps every comment byte for byte.
    std::vector<OptionField> fields = LoadOptionFields(Edition::v201(), ini);
    for (OptionField& f : fields) {
        f.value = f.key == "Server" ? "chat.example" : f.key == "Username" ? "bot" : f.value;
    }
    ASSERT_TRUE(SaveOptionFields(Edition::v201(), fields, ini, read));
    const auto comments = [](const std::string& text) {
        std::string kept;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            if (text[at] == ';') {
                kept += text.substr(at, end - at + 1);
            }
            at = end + 1;
        }
        return kept;
    };
    EXPECT_EQ(comments(parent.read("new/bot/Varno.ini")), comments(StartingSettingsText()));
    EXPECT_EQ(SettingsProblem(folder), "");
}

TEST(BotSetup, StartingSetIsNotWrittenOverAnyFileThatIsThere) {
    for (const char* existing : {"Varno.ini", "shitlist.txt", "database.txt", "badwords.txt"}) {
        TempFolder folder;
        folder.write(existing, "kept\r\n");
        const StartingSet set = WriteStartingSet(folder.path().string());
        EXPECT_FALSE(set.written);
        EXPECT_EQ(set.message, folder.file(existing) + " exists already; nothing was written");
        for (const char* name : {"Varno.ini", "shitlist.txt", "database.txt", "badwords.txt"}) {
            struct stat st {};
            EXPECT_EQ(::stat(folder.file(name).c_str(), &st) == 0, name == std::string(existing))
                << name;
        }
        EXPECT_EQ(folder.read(existing), "kept\r\n");
    }
}

}  // namespace
}  // namespace varno
