#include "connection/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "connection/options.h"
#include "connection/settings.h"
#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

TEST(IniFile, ReadsValuesByCaseInsensitiveNames) {
    TempFolder dir;
    dir.write("Varno.ini",
              "; comment\r\n[other]\r\nServer=wrong\r\n[VARNO]\r\nserver=chat.example\r\n"
              "Trigger=!\r\nEmpty=\r\nOdd=\x01rest\r\nSpaced = a b \r\nDelay =\t500 \t\r\n"
              "Blank = \t \r\nOddSpaced= \x01x\r\n");
    const std::string ini = dir.file("Varno.ini");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    for (const Case& c :
         {Case{"Varno", "Server", "chat.example"}, Case{"varno", "SERVER", "chat.example"},
          Case{"Varno", "trigger", "!"}, Case{"Varno", "Empty", ""}, Case{"Varno", "Missing", ""},
          Case{"Varno", "Odd", ""},  // a value starting with code 1 is empty
          Case{"Varno", "Spaced", "a b"}, Case{"Varno", "Delay", "500"}, Case{"Varno", "Blank", ""},
          Case{"Varno", "OddSpaced", ""}, Case{"Nowhere", "Server", ""}}) {
        EXPECT_EQ(ReadIniValue(c.section, c.key, ini), c.value) << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadIniValue("Varno", "Server", dir.file("missing.ini")), "");
}

TEST(IniFile, ValueReadBackIsCutTo254Characters) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    const std::string typed(300, 'p');
    ASSERT_TRUE(WriteIniValue("Varno", "Password", typed, ini));
    EXPECT_EQ(ReadIniValue("Varno", "Password", ini), std::string(254, 'p'));
    EXPECT_NE(dir.read("Varno.ini").find(typed), std::string::npos) << "written whole";
}

TEST(IniFile, WriteCreatesReplacesAndKeepsOtherLines) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    ASSERT_TRUE(WriteIniValue("Varno", "Username", "alice", ini));
    EXPECT_EQ(dir.read("Varno.ini"), "[Varno]\r\nUsername=alice\r\n");

    dir.write("Varno.ini", "; keep me\n[Varno]\nusername=bob\nHome=Lobby\n\n[Other]\nX=1\n");
    ASSERT_TRUE(WriteIniValue("Varno", "Username", "carol", ini));
    ASSERT_TRUE(WriteIniValue("Varno", "Server", "host", ini));
    ASSERT_TRUE(WriteIniValue("Other", "Y", "2", ini));
    EXPECT_EQ(dir.read("Varno.ini"),
              "; keep me\n[Varno]\nusername=carol\nHome=Lobby\nServer=host\n\n[Other]\nX=1\nY=2\n");
}

TEST(IniFile, LineBreaksInAValueCannotAddLines) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    ASSERT_TRUE(WriteIniValue("Varno", "Idle", "away\r\nServer=evil\nx\r", ini));
    EXPECT_EQ(ReadIniValue("Varno", "Idle", ini), "awayServer=evilx");
    EXPECT_EQ(ReadIniValue("Varno", "Server", ini), "");
}

TEST(IniFile, NewFileIsPrivateAndAnExistingFileKeepsItsMode) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    ASSERT_TRUE(WriteIniValue("Varno", "Password", "secret", ini));
    EXPECT_EQ(ModeOf(ini), 0600u);

    ::chmod(ini.c_str(), 0640);
    ASSERT_TRUE(WriteIniValue("Varno", "Password", "other", ini));
    EXPECT_EQ(ModeOf(ini), 0640u);
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    dir.write("Varno.ini", "[Varno]\nUsername=alice\n");
    // The temporary file can't be created: a folder stands where it would go.
    std::filesystem::create_directory(ini + ".tmp" + std::to_string(::getpid()));
    EXPECT_FALSE(WriteIniValue("Varno", "Username", "bob", ini));
    EXPECT_EQ(dir.read("Varno.ini"), "[Varno]\nUsername=alice\n");
}

// Whatever stands at the temporary file's name is never written through, and a Varno.ini
// that is a symbolic link keeps pointing at the file that now holds the new value.
TEST(IniFile, WriteNeverFollowsATemporaryNameAndKeepsALinkedFile) {
    namespace fs = std::filesystem;
    const std::string tmp = ".tmp" + std::to_string(::getpid());
    struct Case {
        const char* what;
        const char* link;     // what Varno.ini links to; empty: a plain file
        const char* planted;  // at the temporary name: "file", "link" or nothing
    };
    for (const Case& c : {Case{"leftover of a crash", "", "file"}, Case{"planted link", "", "link"},
                          Case{"relative link", "real/Varno.ini", ""},
                          Case{"link and a planted link", "real/Varno.ini", "link"},
                          Case{"dangling link", "real/new.ini", ""}}) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        fs::create_directory(dir.path() / "real");
        const std::string ini = dir.file("Varno.ini");
        const std::string held = std::string(c.link).empty() ? ini : dir.file(c.link);
        if (std::string(c.link) == "real/Varno.ini") {
            dir.write(c.link, "[Varno]\nUsername=alice\n");
            ::chmod(held.c_str(), 0640);
        }
        if (!std::string(c.link).empty()) {
            fs::create_symlink(c.link, ini);
        }
        dir.write("victim", "untouched");
        if (std::string(c.planted) == "file") {
            dir.write("Varno.ini" + tmp, "half a write");
        } else if (std::string(c.planted) == "link") {
            fs::create_symlink(dir.file("victim"), held + tmp);
        }
        ASSERT_TRUE(WriteIniValue("Varno", "Username", "bob", ini));
        EXPECT_EQ(ReadIniValue("Varno", "Username", ini), "bob");
        EXPECT_EQ(ReadIniValue("Varno", "Username", held), "bob");
        EXPECT_EQ(dir.read("victim"), "untouched");
        EXPECT_EQ(fs::is_symlink(ini), !std::string(c.link).empty());
        EXPECT_FALSE(fs::exists(fs::symlink_status(held + tmp)));
        EXPECT_FALSE(fs::exists(fs::symlink_status(ini + tmp)));
        if (std::string(c.link) == "real/Varno.ini") {
            EXPECT_EQ(ModeOf(held), 0640u) << "the linked file keeps its mode";
        }
    }
}

TEST(IniFile, ADirectoryInPlaceOfTheFileIsNeitherReadNorReplaced) {
    TempFolder dir;
    std::filesystem::create_directory(dir.path() / "Varno.ini");
    const std::string ini = dir.file("Varno.ini");
    EXPECT_EQ(ReadIniValue("Varno", "Server", ini), "");
    EXPECT_FALSE(WriteIniValue("Varno", "Server", "x", ini));
    EXPECT_TRUE(std::filesystem::is_directory(ini));
}

TEST(Settings, StartupReadFollowsTheEdition) {
    TempFolder dir;
    dir.write("Varno.ini",
              "[Varno]\nUsername=alice\nPassword=pw\nHome=Lobby\nServer=h\nDelay=500\n"
              "trigger=!\nClear=30000\nIdle=away\n");
    Settings full;
    ReadSettings(full, Edition::v201(), dir.file("Varno.ini"));
    EXPECT_EQ(full.Username, "alice");
    EXPECT_EQ(full.Trigger, "!");
    EXPECT_EQ(full.Clear, "30000");
    EXPECT_EQ(full.Idle, "away");

    Settings tray;
    ReadSettings(tray, Edition::v200(), dir.file("Varno.ini"));
    EXPECT_EQ(tray.Home, "Lobby");
    EXPECT_EQ(tray.Trigger, "!");
    EXPECT_EQ(tray.Clear, "") << "edition 2.00 has no Clear";
    EXPECT_EQ(tray.Idle, "");
}

TEST(Settings, FileOnlyKeysAreReadAtStartAndOnReloadInBothEditions) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        TempFolder dir;
        dir.write("Varno.ini", "[Varno]\nsendquota=6\nLogFolder=logs\nBanMinutes=30\n");
        Settings settings;
        ReadSettings(settings, *edition, dir.file("Varno.ini"));
        EXPECT_EQ(settings.SendQuota, "6") << edition->name;
        EXPECT_EQ(settings.LogFolder, "logs") << edition->name;
        EXPECT_EQ(settings.SendWindow, "") << "a missing key reads empty";
        dir.write("Varno.ini", "[Varno]\nBanMinutes=5\nFloodLines=6/5\n");
        ReloadSettings(settings, *edition, dir.file("Varno.ini"));
        EXPECT_EQ(settings.BanMinutes, "5") << edition->name;
        EXPECT_EQ(settings.FloodLines, "6/5") << edition->name;
        EXPECT_EQ(settings.SendQuota, "") << "a key gone from the file is gone after Ok";
    }
}

TEST(Settings, ValuesAreTrimmedAndNumbersThatAreNotOnesNamedOnce) {
    TempFolder dir;
    dir.write("Varno.ini",
              "[Varno]\nDelay = 50x\nClear= big \nSendQuota = four\nSendWindow =\t500\t\n"
              "BanOnEntry = -1\nBanMinutes = 60\nProtectTrusted=yes\nIdle = away \n");
    const std::vector<std::string> common = {
        "Varno.ini: SendQuota = 'four' is not a number; using 4",
        "Varno.ini: BanOnEntry = '-1' is not a number; using 1",
        "Varno.ini: ProtectTrusted = 'yes' is not a number; using 1"};
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        Settings settings;
        ReadSettings(settings, *edition, dir.file("Varno.ini"));
        EXPECT_EQ(settings.SendWindow, "500") << edition->name;
        EXPECT_EQ(settings.BanMinutes, "60") << edition->name;
        std::vector<std::string> expected = {"Varno.ini: Delay = '50x' is not a number; using 100"};
        if (edition->clearFromSettings) {
            EXPECT_EQ(settings.Idle, "away");
            expected.push_back("Varno.ini: Clear = 'big' is not a number; using 30000");
        }
        expected.insert(expected.end(), common.begin(), common.end());
        EXPECT_EQ(UnreadableNumbers(settings, *edition), expected) << edition->name;
    }
}

TEST(Options, OkOnAnUntouchedDialogCreatesTheFileWithEveryKey) {
    for (const Edition* edition : {&Edition::v201(), &Edition::v200()}) {
        TempFolder dir;
        const std::string ini = dir.file("Varno.ini");
        auto fields = LoadOptionFields(*edition, ini);
        ASSERT_EQ(fields.size(), edition->settingsKeys.size());
        Settings settings;
        ASSERT_TRUE(SaveOptionFields(*edition, fields, ini, settings));
        std::string expected = "[Varno]\r\n";
        for (const auto key : edition->settingsKeys) {
            expected += std::string(key) + "=\r\n";
        }
        EXPECT_EQ(dir.read("Varno.ini"), expected) << edition->name;
    }
}

TEST(Options, OkWritesTheBoxesAndReloadsTheSettings) {
    TempFolder dir;
    const std::string ini = dir.file("Varno.ini");
    auto fields = LoadOptionFields(Edition::v201(), ini);
    const std::vector<std::string> labels = {
        "Username:", "Password:", "Home:", "Server:", "Delay:", "Trigger:", "Clear Delay", "Idle"};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].label, labels[i]);
        fields[i].value = "v" + std::to_string(i);
    }
    fields[1].value = " pass word ";
    Settings settings;
    ASSERT_TRUE(SaveOptionFields(Edition::v201(), fields, ini, settings));
    EXPECT_EQ(settings.Username, "v0");
    EXPECT_EQ(settings.Password, "pass word") << "blanks around a value are not read back";
    EXPECT_NE(dir.read("Varno.ini").find("Password= pass word \r\n"), std::string::npos)
        << "the file keeps what was typed";
    EXPECT_EQ(settings.Idle, "v7");
    EXPECT_EQ(LoadOptionFields(Edition::v201(), ini)[6].value, "v6");
}

}  // namespace
}  // namespace varno
