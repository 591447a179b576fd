#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdio>

#include "client/client.h"
#include "support/client_fixture.h"

// The lists beside the program changed on disk while it runs: saved in place, saved by a
// rename over the old file, deleted and made again. Each change is read within two
// seconds, said once in the log, and used at once.
namespace varno {
namespace {

using test::ClientFixture;
using test::GatewayServer;

class ListReloadTest : public ::testing::Test {
protected:
    ListReloadTest() : f(Edition::v201()) {}

    QString path(const QString& name) const { return QDir(f.folder()).filePath(name); }

    void saveByRename(const QString& name, const QByteArray& bytes) {
        f.writeFile(name + ".new", bytes);
        ASSERT_EQ(std::rename(QFile::encodeName(path(name + ".new")).constData(),
                              QFile::encodeName(path(name)).constData()),
                  0);
    }

    // The light-grey lines that say what was read again.
    std::vector<std::string> reloadLines() {
        std::vector<std::string> lines;
        for (const varno::Run& r : f.window().client().logs().main().runs()) {
            if (r.text.starts_with("Reloaded ")) {
                EXPECT_EQ(r.colour, colour::kLightGrey);
                lines.push_back(r.text);
            }
        }
        return lines;
    }

    ClientFixture f;
};

TEST_F(ListReloadTest, AListChangedOnDiskIsUsedWithoutARestart) {
    f.writeFile("shitlist.txt", "nobody\r\n");
    f.writeFile("database.txt", "Boss\r\n");
    ASSERT_TRUE(f.startLoggedIn("Trigger=!\n"));
    f.server().send(
        "2010 NAME alice\r\n1007 CHANNEL \"Lobby\"\r\n1001 USER alice 0010 [CHAT]\r\n"
        "1001 USER spamA 0010 [CHAT]\r\n");
    ASSERT_TRUE(f.waitForLog("spamA"));

    saveByRename("shitlist.txt", "spam*\r\nx\r\n");
    ASSERT_TRUE(f.waitForLog("Reloaded shitlist.txt (2 patterns)\r\n", 2000));
    EXPECT_TRUE(f.server().waitForReceived("/ban spamA boo\r\n")) << "those present are checked";
    f.server().send("1002 JOIN spamB 0010 [CHAT]\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/ban spamB boo\r\n"));

    // A second rename over the file that replaced the first is seen too.
    saveByRename("shitlist.txt", "troll*\r\n");
    ASSERT_TRUE(f.waitForLog("Reloaded shitlist.txt (1 pattern)\r\n", 2000));

    QFile::remove(path("shitlist.txt"));
    ASSERT_TRUE(f.waitForLog("Reloaded shitlist.txt (0 patterns)\r\n", 2000));
    f.writeFile("shitlist.txt", "ghost\r\n");
    ASSERT_TRUE(f.waitForLog("Reloaded shitlist.txt (1 pattern)\r\n", 2000));
    f.server().send("1002 JOIN ghost 0010 [CHAT]\r\n");
    EXPECT_TRUE(f.server().waitForReceived("/ban ghost boo\r\n"));

    // Written in place: the access list admits the new name.
    f.writeFile("database.txt", "Boss\r\ncarol\r\n");
    ASSERT_TRUE(f.waitForLog("Reloaded database.txt (2 names)\r\n", 2000));
    f.server().send("1005 TALK carol 0010 \"!say hi\"\r\n");
    EXPECT_TRUE(f.server().waitForReceived("hi\r\n"));

    // Saving the options replaces Varno.ini in the same folder: no list is read for it.
    const std::size_t before = reloadLines().size();
    f.window().client().Form2_Ok(f.window().client().Form2_Load());
    GatewayServer::waitUntil([] { return false; }, 600);
    EXPECT_EQ(reloadLines().size(), before);
    EXPECT_EQ(reloadLines().front(), "Reloaded shitlist.txt (2 patterns)\r\n");
    f.screenshot("list_reload");
}

TEST_F(ListReloadTest, ANumberThatIsNotOneIsNamedInRedAtStartOnReloadAndAfterOk) {
    ASSERT_TRUE(f.startLoggedIn("SendQuota = four\nBanMinutes = 60\n"));
    const auto told = [this] {
        int lines = 0;
        for (const varno::Run& r : f.window().client().logs().main().runs()) {
            if (r.text.find("Varno.ini: ") != std::string::npos) {
                EXPECT_EQ(r.text, "Varno.ini: SendQuota = 'four' is not a number; using 4\r\n");
                EXPECT_EQ(r.colour, colour::kRed);
                ++lines;
            }
        }
        return lines;
    };
    EXPECT_EQ(told(), 1);
    EXPECT_EQ(f.window().client().settings().BanMinutes, "60");
    f.window().client().ReloadFiles({"Varno.ini"});
    EXPECT_EQ(told(), 2);
    f.window().client().Form2_Ok(f.window().client().Form2_Load());
    EXPECT_EQ(told(), 3);
}

}  // namespace
}  // namespace varno
