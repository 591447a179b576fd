#include <gtest/gtest.h>

#include <unistd.h>

#include <QFile>
#include <QPushButton>
#include <random>

#include "client/client.h"
#include "connection/options_dialog.h"
#include "support/client_fixture.h"
#include "support/process_stats.h"

// The three files beside the program, in every state a disk can leave them: the programs
// start, say nothing untrue, and the options dialog's Ok saves or leaves the old file whole.
namespace varno {
namespace {

using test::ClientFixture;
using test::CountOf;
using test::GatewayServer;

const std::string kKeys = std::string(test::kAliceSettings) + "Trigger=!\n";
constexpr int kBig = 50 * 1000 * 1000;

enum class Kind { Missing, Empty, Binary, Big, Directory, Unreadable };

// Bytes of every value, without '=' so that nothing reads as a setting, and without the
// wildcards so that nothing reads as a ban pattern matching everybody.
QByteArray BinaryBytes() {
    std::mt19937 random(5);
    QByteArray bytes(100000, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
        if (c == '=' || c == '*' || c == '?') {
            c = '\x01';
        }
    }
    return bytes;
}

// Fifty megabytes of lines: names for the lists, keys of another section for the settings.
QByteArray BigBytes(const QByteArray& linePrefix) {
    QByteArray bytes;
    bytes.reserve(kBig + 100);
    for (int n = 0; bytes.size() < kBig; ++n) {
        bytes += linePrefix + QByteArray::number(n) + QByteArray(80, 'z') + "\r\n";
    }
    return bytes;
}

void PressOk(ClientFixture& f) {
    f.window().mnuOptions_Click();
    OptionsDialog* dialog = f.window().optionsDialog();
    ASSERT_NE(dialog, nullptr);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == "Ok") {
            button->click();
        }
    }
}

class FilesTest : public ::testing::TestWithParam<Kind> {
protected:
    FilesTest() : f(Edition::v201()) {}

    QString path(const QString& name) const { return QDir(f.folder()).filePath(name); }

    // Puts the file called name into the state of the test; false when it can't be made.
    bool make(const QString& name, const QByteArray& bigLinePrefix) {
        switch (GetParam()) {
            case Kind::Missing:
                return true;
            case Kind::Empty:
                f.writeFile(name, "");
                return true;
            case Kind::Binary:
                f.writeFile(name, BinaryBytes());
                return true;
            case Kind::Big:
                f.writeFile(name, BigBytes(bigLinePrefix));
                return true;
            case Kind::Directory:
                return QDir().mkpath(path(name));
            case Kind::Unreadable:
                f.writeFile(name, "boss\r\n");
                return QFile::setPermissions(path(name), QFileDevice::WriteOwner) &&
                       ::access(path(name).toLocal8Bit().constData(), R_OK) != 0;
        }
        return false;
    }

    ClientFixture f;
};

TEST_P(FilesTest, BanListAndDatabaseInAnyStateLeaveTheClientWorking) {
    ASSERT_TRUE(f.server().listen());
    f.writeSettings(kKeys);
    if (!make("shitlist.txt", "ban") || !make("database.txt", "user")) {
        GTEST_SKIP() << "a file can't be made unreadable to this user (root reads every file)";
    }
    f.start();
    ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin));
    f.server().send(
        "2010 NAME alice\r\n1002 JOIN bob 0010 [CHAT]\r\n1005 TALK bob 0010 \"!say hi\"\r\n"
        "1018 INFO \"done\"\r\n");
    ASSERT_TRUE(f.waitForLog("] done\r\n", 30000));
    EXPECT_NE(f.mainLog().find("bob has joined the channel"), std::string::npos);
    EXPECT_EQ(f.server().received(), test::kAliceLogin);  // no pattern or listed name made it send
    EXPECT_EQ(f.server().connectionCount(), 1);
    EXPECT_EQ(f.mainLog().find("Connection Closed"), std::string::npos);
}

TEST_P(FilesTest, SettingsInAnyStateStartTheProgramAndOkSavesOrLeavesTheFileWhole) {
    ASSERT_TRUE(f.server().listen());
    if (!make("Varno.ini", "Junk")) {
        GTEST_SKIP() << "a file can't be made unreadable to this user (root reads every file)";
    }
    f.start();
    // Without a usable server name nothing connects; the log says only that, once the next
    // attempt starts a second after the first. Without any file, a first start asks for
    // settings and tries nothing.
    GatewayServer::waitUntil([] { return false; }, 1300);
    const bool missing = GetParam() == Kind::Missing;
    EXPECT_EQ(f.window().windowTitle(),
              missing ? "Varno Chat" : "Varno 2.00 by Tamsel - Logged in as ");
    EXPECT_EQ(f.server().connectionCount(), 0);
    EXPECT_EQ(f.mainLog().find("Connected to Server"), std::string::npos);
    EXPECT_EQ(CountOf(f.mainLog(), "Server Down.. Reconnecting..") >= 1u, !missing);
    EXPECT_EQ(CountOf(f.mainLog(), "No settings yet: fill in Options and press Ok"),
              missing ? 1u : 0u);

    const bool directory = GetParam() == Kind::Directory;
    QFile before(path("Varno.ini"));
    const QByteArray old = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
    before.close();
    PressOk(f);
    if (directory) {
        EXPECT_TRUE(QFileInfo(path("Varno.ini")).isDir());
        EXPECT_NE(f.mainLog().find("Could not save the options to "), std::string::npos);
        return;
    }
    EXPECT_EQ(f.mainLog().find("Could not save"), std::string::npos);
    QFile after(path("Varno.ini"));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    const QByteArray saved = after.readAll();
    for (const char* key :
         {"Username=", "Password=", "Home=", "Server=", "Delay=", "Trigger=", "Clear=", "Idle="}) {
        EXPECT_TRUE(saved.contains(QByteArray("\n") + key) || saved.startsWith(key)) << key;
    }
    if (GetParam() == Kind::Big) {
        EXPECT_GE(saved.size(), old.size());  // the other section is kept, not cut
    }
}

TEST(SettingsSaveTest, OkWithTheTemporaryFileImpossibleLeavesTheOldFileWhole) {
    for (const bool big : {false, true}) {
        ClientFixture f(Edition::v201());
        ASSERT_TRUE(f.server().listen());
        QByteArray ini = "[Varno]\nServer=" + f.server().host().toLatin1() + "\n" +
                         QByteArray::fromStdString(kKeys);
        if (big) {
            ini += "[Other]\n" + BigBytes("Junk");
        }
        f.writeFile("Varno.ini", ini);
        // The settings are replaced through a temporary file beside them; a folder in its
        // place stands for a settings folder that can't be written, which root can't be denied.
        const QDir folder(f.folder());
        ASSERT_TRUE(folder.mkpath("Varno.ini.tmp" + QString::number(::getpid())));
        f.start();
        ASSERT_TRUE(f.server().waitForReceived(test::kAliceLogin, 30000));
        PressOk(f);
        EXPECT_TRUE(f.waitForLog("Could not save the options to ")) << big;
        QFile after(folder.filePath("Varno.ini"));
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_TRUE(after.readAll() == ini) << big;
        EXPECT_EQ(f.window().client().settings().Username, "alice");
    }
}

std::string KindName(const ::testing::TestParamInfo<Kind>& info) {
    constexpr const char* kNames[] = {"Missing", "Empty",     "Binary",
                                      "Big",     "Directory", "Unreadable"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(States, FilesTest,
                         ::testing::Values(Kind::Missing, Kind::Empty, Kind::Binary, Kind::Big,
                                           Kind::Directory, Kind::Unreadable),
                         KindName);

}  // namespace
}  // namespace varno
