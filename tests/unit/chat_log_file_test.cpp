#include "log/chat_log_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "connection/settings.h"
#include "log/log_writer.h"
#include "support/client_rig.h"
#include "support/fakes.h"

namespace varno {
namespace {

using colour::kGreen;
using colour::kRed;
using colour::kWhite;

constexpr char kFailure[] = "Could not write the chat log to ";

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

struct Logged {
    Logged() : writer(Edition::v201(), clock, settings.Clear), file(clock, writer) {
        writer.addSink(file);
    }
    void line(const std::string& text) { writer.Line(LogTarget::Main, kWhite, text); }
    std::size_t failures() {
        std::size_t n = 0;
        for (const Run& r : writer.main().runs()) {
            n += r.colour == kRed && r.text.starts_with(kFailure) ? 1 : 0;
        }
        return n;
    }

    test::TempFolder dir;
    test::FakeClock clock;
    Settings settings;
    LogWriter writer;
    ChatLogFile file;
};

TEST(ChatLogFile, AppendsBothLogsToTheDaysFileOwnerOnlyInAFolderItMakes) {
    Logged l;
    const std::string folder = l.dir.file("logs/chat");
    l.file.setFolder(folder);
    l.line("hello \xe9");  // Windows-1252, written as UTF-8
    l.writer.Line(LogTarget::Whisper, {{kGreen, "From bob: "}, {kWhite, "psst"}});
    const std::string day = folder + "/2026-12-07.log";
    EXPECT_EQ(l.dir.read("logs/chat/2026-12-07.log"),
              "[14:03:07] hello \u00e9\n[14:03:07] (whisper) From bob: psst\n");
    EXPECT_EQ(ModeOf(day), 0600u);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(l.dir.file("logs")), 0700u);
    EXPECT_EQ(l.failures(), 0u);

    // After midnight the next line starts the next day's file; the old one is kept.
    l.clock.date = {2026, 12, 8};
    l.clock.time = {0, 0, 1};
    l.line("tomorrow");
    EXPECT_EQ(l.dir.read("logs/chat/2026-12-08.log"), "[00:00:01] tomorrow\n");
    EXPECT_EQ(l.dir.read("logs/chat/2026-12-07.log").size(), 56u);

    // A file that was there is appended to.
    l.file.setFolder("");
    l.line("nowhere");
    l.file.setFolder(folder);
    l.line("again");
    EXPECT_EQ(l.dir.read("logs/chat/2026-12-08.log"), "[00:00:01] tomorrow\n[00:00:01] again\n");

    // Deleted while open (a rotation): the next line makes the file again.
    std::filesystem::remove(folder + "/2026-12-08.log");
    l.line("rotated");
    EXPECT_EQ(l.dir.read("logs/chat/2026-12-08.log"), "[00:00:01] rotated\n");
}

// A file in the folder's way: every line fails, the red line comes at most once a minute
// (and goes to no file), and the first line after the way is clear is written.
TEST(ChatLogFile, AFailureIsToldAtMostOnceAMinuteAndTheNextLineTriesAgain) {
    Logged l;
    l.dir.write("blocked", "a file, not a folder");
    l.file.setFolder(l.dir.file("blocked"));
    l.line("one");
    ASSERT_EQ(l.failures(), 1u);
    EXPECT_EQ(l.writer.main().runs().back(),
              (varno::Run{kRed, kFailure + l.dir.file("blocked") + "/2026-12-07.log\r\n"}));
    l.clock.ms += ChatLogFile::kReportGapMs - 1;
    l.line("two");
    EXPECT_EQ(l.failures(), 1u);
    l.clock.ms += 1;
    l.line("three");
    EXPECT_EQ(l.failures(), 2u);

    std::filesystem::remove(l.dir.file("blocked"));
    l.line("four");
    EXPECT_EQ(l.dir.read("blocked/2026-12-07.log"), "[14:03:07] four\n");
    EXPECT_EQ(l.failures(), 2u);
}

TEST(ChatLogFile, AFullDiskLosesTheLineAndSaysSo) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    Logged l;
    ::symlink("/dev/full", l.dir.file("2026-12-07.log").c_str());
    l.file.setFolder(l.dir.path().string());
    l.line("lost");
    EXPECT_EQ(l.failures(), 1u);
}

// The file holds every line of the logs from the first one: those written before the
// settings that name the folder were read are kept until then, in order, and only while no
// folder is known do they go nowhere. On a reload the file does not get them again.
TEST(ChatLogFile, HoldsTheLinesOfTheStartFromTheFirstOne) {
    const std::string ini = "[Varno]\nUsername=alice\nSendQuota=four\nLogFolder=logs\n";
    const struct {
        const Edition* edition;
        std::string expected;
    } cases[] = {
        {&Edition::v201(),
         "[14:03:07] Varno 2.00 - By Tamsel\n"
         "[14:03:07] (whisper) Whisper Windows\n"
         "[14:03:07] Settings folder: FOLDER\n"
         "[14:03:07] Varno.ini: SendQuota = 'four' is not a number; using 4\n"},
        {&Edition::v200(),
         "[14:03:07] Settings folder: FOLDER\n"
         "[14:03:07] Varno.ini: SendQuota = 'four' is not a number; using 4\n"},
    };
    for (const auto& c : cases) {
        test::ClientRig rig({{"Varno.ini", ini}}, *c.edition);
        std::string expected = c.expected;
        expected.replace(expected.find("FOLDER"), 6, rig.folder.path().string());
        const std::string day = "logs/2026-12-07.log";
        EXPECT_EQ(rig.folder.read(day).substr(0, expected.size()), expected) << c.edition->name;
        rig.client->ReloadFiles({"Varno.ini"});
        const std::string kept = rig.folder.read(day);
        EXPECT_EQ(kept.find("Settings folder"), kept.rfind("Settings folder")) << "once";
        EXPECT_NE(kept.find("] Reloaded Varno.ini\n"), std::string::npos);
    }
    test::ClientRig without(test::ClientRig::Files{{"Varno.ini", "[Varno]\nUsername=alice\n"}});
    without.folder.write("Varno.ini", ini);
    without.client->ReloadFiles({"Varno.ini"});
    const std::string later = without.folder.read("logs/2026-12-07.log");
    EXPECT_EQ(later.find("Settings folder"), std::string::npos) << "a folder named later";
    EXPECT_NE(later.find("SendQuota = 'four'"), std::string::npos);
}

}  // namespace
}  // namespace varno
