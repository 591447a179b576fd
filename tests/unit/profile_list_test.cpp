#include "ui/profile_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

// A profile folder under profiles/, with a Varno.ini unless told otherwise.
void MakeProfile(const TempFolder& dir, const std::string& name, bool ini = true) {
    fs::create_directories(dir.path() / "profiles" / name);
    if (ini) {
        dir.write("profiles/" + name + "/Varno.ini", "[Varno]\n");
    }
}

std::vector<std::string> Names(const ProfileList& list, bool openOnly = false) {
    std::vector<std::string> names;
    for (const Profile& p : list.profiles()) {
        if (!openOnly || p.open) {
            names.push_back(p.name);
        }
    }
    return names;
}

unsigned ModeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(ProfileList, FindsEachFolderOfProfilesWithSettingsInByteOrderAndNamesWhatItPassesOver) {
    TempFolder dir;
    const std::string longest(32, 'n');
    for (const std::string& name :
         {std::string("bot"), std::string("clan-2"), std::string("A_b"), longest, longest + "x",
          std::string("bad name"), std::string("esc\x1b[2J")}) {
        MakeProfile(dir, name);
    }
    MakeProfile(dir, "empty", false);
    dir.write("profiles/notes.txt", "");
    fs::create_directory_symlink(dir.path() / "profiles" / "bot", dir.path() / "profiles" / "link");

    std::string keep = "1";
    ProfileList list(dir.path().string(), keep);
    const ProfileList::Found found = list.Scan();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"", "A_b", "bot", "clan-2", longest}));
    EXPECT_EQ(list.profiles()[0].folder, dir.path().string());
    EXPECT_EQ(list.profiles()[2].folder, (dir.path() / "profiles" / "bot").string());
    const std::string bad = " (not a name of letters, digits, - and _, at most 32 bytes)";
    EXPECT_EQ(found.passedOver, "Passed over in " + (dir.path() / "profiles").string() + ": " +
                                    "bad name" + bad + ", empty (no Varno.ini), esc\x1b[2J" + bad +
                                    ", link (a link), " + longest + "x" + bad +
                                    ", notes.txt (not a folder)");
    EXPECT_EQ(found.failure, "");
    EXPECT_TRUE(list.enabled());
}

TEST(ProfileList, WithoutProfilesOrWithProfilesZeroTheSettingsFolderIsTheOnlyOne) {
    std::string keep = "1";
    const struct {
        const char* what;
        std::string ini;
        bool folder;
        bool enabled;
    } cases[] = {
        {"no profiles folder", "[Varno]\n", false, true},
        {"Profiles=0", "[Varno]\nProfiles=0\n", true, false},
        {"no Varno.ini: a first start", "", true, true},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        if (!c.ini.empty()) {
            dir.write("Varno.ini", c.ini);
        }
        if (c.folder) {
            MakeProfile(dir, "bot");
        }
        ProfileList list(dir.path().string(), keep);
        const ProfileList::Found found = list.Scan();
        EXPECT_EQ(Names(list).size(), c.enabled && c.folder ? 2U : 1U) << c.what;
        EXPECT_EQ(list.enabled(), c.enabled) << c.what;
        EXPECT_EQ(found.passedOver + found.failure, "") << c.what;
    }
    // Many names passed over: ten are told, the rest counted.
    TempFolder many;
    fs::create_directory(many.path() / "profiles");
    for (int i = 0; i < 12; ++i) {
        many.write("profiles/" + std::to_string(i + 10) + ".txt", "");
    }
    ProfileList list(many.path().string(), keep);
    EXPECT_TRUE(list.Scan().passedOver.ends_with("19.txt (not a folder), and 2 more"));
}

TEST(ProfileList, AProfilesFileThatIsNoFolderIsSaidInRed) {
    TempFolder dir;
    dir.write("profiles", "not a folder");
    std::string keep = "1";
    ProfileList list(dir.path().string(), keep);
    const ProfileList::Found found = list.Scan();
    EXPECT_EQ(found.failure,
              "Could not read the profiles in " + dir.file("profiles") + ": Not a directory");
    EXPECT_EQ(Names(list), (std::vector<std::string>{""}));
}

TEST(ProfileList, AtMost64ProfilesOpen) {
    TempFolder dir;
    for (int i = 0; i < 64; ++i) {
        MakeProfile(dir, "p" + std::to_string(100 + i));
    }
    std::string keep = "1";
    ProfileList list(dir.path().string(), keep);
    const ProfileList::Found found = list.Scan();
    EXPECT_EQ(list.profiles().size(), kMostProfiles);
    EXPECT_EQ(list.profiles().back().name, "p162");
    EXPECT_TRUE(found.passedOver.ends_with(": p163 (more than 64 profiles)"));
    EXPECT_EQ(list.Make("zz").error, "There are 64 profiles already");
}

TEST(ProfileList, WindowIniKeepsWhichWereClosedUnlessKeepWindowIsZero) {
    TempFolder dir;
    for (const char* name : {"a", "b", "c"}) {
        MakeProfile(dir, name);
    }
    dir.write("window.ini", "[Window]\nX=5\n");
    std::string keep = "1";
    {
        ProfileList list(dir.path().string(), keep);
        list.Scan();
        EXPECT_TRUE(list.SetOpen(1, false));
        EXPECT_TRUE(list.SetOpen(3, false));
        EXPECT_TRUE(list.SetOpen(0, false)) << "the first stays open";
    }
    EXPECT_EQ(dir.read("window.ini"), "[Window]\nX=5\n[Profiles]\nClosed1=a\nClosed2=c\n");
    ProfileList again(dir.path().string(), keep);
    again.Scan();
    EXPECT_EQ(Names(again, true), (std::vector<std::string>{"", "b"}));
    EXPECT_TRUE(again.SetOpen(1, true));
    EXPECT_EQ(dir.read("window.ini"), "[Window]\nX=5\n[Profiles]\nClosed1=c\nClosed2=\n");
    ProfileList third(dir.path().string(), keep);
    third.Scan();
    EXPECT_EQ(Names(third, true), (std::vector<std::string>{"", "a", "b"}));

    keep = "0";
    ProfileList unkept(dir.path().string(), keep);
    unkept.Scan();
    EXPECT_EQ(Names(unkept, true).size(), 4U) << "window.ini is not read";
    EXPECT_TRUE(unkept.SetOpen(2, false));
    EXPECT_EQ(dir.read("window.ini"), "[Window]\nX=5\n[Profiles]\nClosed1=c\nClosed2=\n")
        << "nor written";
}

TEST(ProfileList, MakeMakesAnOwnerOnlyFolderInItsPlaceOrSaysWhyNot) {
    TempFolder dir;
    MakeProfile(dir, "bot");
    MakeProfile(dir, "old");
    MakeProfile(dir, "unsaved", false);
    fs::permissions(dir.path() / "profiles" / "unsaved", fs::perms(0755));
    dir.write("profiles/file", "");
    std::string keep = "1";
    ProfileList list(dir.path().string(), keep);
    list.Scan();
    list.SetOpen(2, false);  // old
    const std::string naming = "A profile's name is 1 to 32 letters, digits, - and _";
    const struct {
        std::string name;
        std::string error;
    } cases[] = {
        {"", naming},
        {std::string(33, 'x'), naming},
        {"a/b", naming},
        {"..", naming},
        {"bot", "bot is open already"},
        {"old", "old is there already: File > Open profile opens it"},
        {"file", "Could not make the folder " + dir.file("profiles/file") +
                     ": something else has its name"},
    };
    for (const auto& c : cases) {
        const ProfileList::Made made = list.Make(c.name);
        EXPECT_FALSE(made.index) << c.name;
        EXPECT_EQ(made.error, c.error) << c.name;
    }
    for (const std::string& name :
         {std::string(32, 'x'), std::string("unsaved"), std::string("Alpha")}) {
        const ProfileList::Made made = list.Make(name);
        ASSERT_TRUE(made.index) << name << ": " << made.error;
        EXPECT_EQ(list.profiles()[*made.index].name, name);
        EXPECT_TRUE(list.profiles()[*made.index].open);
        // A folder that was there is taken as it is.
        EXPECT_EQ(ModeOf(dir.path() / "profiles" / name), name == "unsaved" ? 0755U : 0700U)
            << name;
    }
    EXPECT_EQ(Names(list), (std::vector<std::string>{"", "Alpha", "bot", "old", "unsaved",
                                                     std::string(32, 'x')}));
}

}  // namespace
}  // namespace varno
