#include "moderation/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace varno {
namespace {

using test::TempFolder;

using Lines = std::vector<std::string>;

class RecordingPort : public CommandPort {
public:
    void SendLine(std::string_view text) override { lines.emplace_back(text); }
    void SendModeration(std::string_view text) override {
        lines.push_back("moderation " + std::string(text));
    }
    void Reconnect() override { ++reconnects; }
    void EditList(std::string_view speaker, ListKind list, bool add,
                  std::string_view pattern) override {
        lines.push_back("edit " + std::string(speaker) +
                        (list == ListKind::Ban ? " ban " : " words ") + (add ? "add [" : "del [") +
                        std::string(pattern) + "]");
    }
    void CountBanList() override { lines.push_back("count"); }

    Lines lines;
    int reconnects = 0;
};

struct Case {
    const Edition* edition;
    std::string trigger;
    std::string message;
    Lines sent;
    int reconnects;
};

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest() { database.LoadDatabase(folder.write("database.txt", "Boss\r\n")); }

    // Runs each case for the given speaker and checks what was sent.
    void Expect(std::string_view speaker, const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            RecordingPort port;
            Commands commands(*c.edition, database, port);
            commands.HandleCommand(speaker, c.message, c.trigger);
            EXPECT_EQ(port.lines, c.sent)
                << c.edition->name << " " << c.trigger << " " << c.message;
            EXPECT_EQ(port.reconnects, c.reconnects) << c.trigger << " " << c.message;
        }
    }

    TempFolder folder;
    Database database;
};

const Edition* const full = &Edition::v201();
const Edition* const tray = &Edition::v200();

TEST_F(CommandsTest, ListedSpeakerDrivesTheBot) {
    Expect("BOSS", {
                       {full, "!", "!say Hello", {"Hello"}, 0},
                       {full, "!", "!SAY Hello", {"Hello"}, 0},
                       {full, "!", "!say /kick Bob", {"/kick Bob"}, 0},
                       {full, "!", "!say ", {""}, 0},
                       {full, "!", "!say", {}, 0},
                       {full, "!", "!sayHello", {}, 0},
                       {full, "!", "!ban Bob spamming", {"moderation /ban Bob spamming"}, 0},
                       {full, "!", "!Ban BoB", {"moderation /ban BoB"}, 0},
                       {full, "!", "!kick Bob", {"moderation /kick Bob"}, 0},
                       {full, "!", "!unban Bob", {"moderation /unban Bob"}, 0},
                       {full, "!", "!version", {"Varno 2.01 by Tamsel"}, 0},
                       {full, "!", "!Version", {"Varno 2.01 by Tamsel"}, 0},
                       {full, "!", "!version ", {}, 0},
                       {full, "!", "!versions", {}, 0},
                       {full, "!", "!reconnect", {}, 1},
                       {full, "!", "!RECONNECT", {}, 1},
                       {full, "!", "!reconnect now", {}, 0},
                       {full, "!", "say Hello", {}, 0},
                       {full, "!", "?say Hello", {}, 0},
                       {full, "!", "", {}, 0},
                   });
}

TEST_F(CommandsTest, OnlyAOneCharacterLowerCaseTriggerStartsPrefixCommands) {
    Expect("Boss", {
                       {full, "!!", "!!say Hello", {}, 0},
                       {full, "!!", "!!ban Bob", {}, 0},
                       {full, "!!", "!!kick Bob", {}, 0},
                       {full, "!!", "!!unban Bob", {}, 0},
                       {full, "!!", "!say Hello", {}, 0},
                       {full, "!!", "!version", {}, 0},
                       {full, "!!", "!!version", {"Varno 2.01 by Tamsel"}, 0},
                       {full, "!!", "!!reconnect", {}, 1},
                       {full, "V", "vsay Hello", {}, 0},
                       {full, "V", "Vversion", {}, 0},
                   });
}

TEST_F(CommandsTest, TrayEditionHasNoUnbanAndItsOwnVersion) {
    Expect("Boss", {
                       {tray, "!", "!unban Bob", {}, 0},
                       {tray, "!", "!version", {"Varno 2.00 by Tamsel"}, 0},
                       {tray, "!", "!say Hi", {"Hi"}, 0},
                       {tray, "!", "!ban Bob", {"moderation /ban Bob"}, 0},
                       {tray, "!", "!kick Bob", {"moderation /kick Bob"}, 0},
                       {tray, "!", "!reconnect", {}, 1},
                   });
}

TEST_F(CommandsTest, ListedSpeakerEditsTheListsInBothEditions) {
    for (const Edition* e : {full, tray}) {
        Expect("boss",
               {
                   {e, "!", "!shitlist add spam*", {"edit boss ban add [spam*]"}, 0},
                   {e, "!", "!SHITLIST ADD  Spam* ", {"edit boss ban add [Spam*]"}, 0},
                   {e, "!", "!shitlist del spam*", {"edit boss ban del [spam*]"}, 0},
                   {e, "!", "!badword add *bad word*", {"edit boss words add [*bad word*]"}, 0},
                   {e, "!", "!badword del x", {"edit boss words del [x]"}, 0},
                   {e, "!", "!shitlist add ", {"edit boss ban add []"}, 0},
                   {e, "!", "!shitlist add", {}, 0},
                   {e, "!", "!shitlist addspam", {}, 0},
                   {e, "!", "!shitlist count", {"count"}, 0},
                   {e, "!", "!Shitlist Count", {"count"}, 0},
                   {e, "!", "!shitlist count ", {}, 0},
                   {e, "!", "!shitlist", {}, 0},
                   {e, "!!", "!!shitlist add x", {}, 0},
                   {e, "!!", "!!shitlist count", {"count"}, 0},
               });
        Expect("Bob", {{e, "!", "!shitlist add x", {}, 0}, {e, "!", "!shitlist count", {}, 0}});
    }
}

TEST_F(CommandsTest, UnlistedSpeakerIsIgnored) {
    for (const char* speaker : {"Bob", "Boss2", ""}) {
        Expect(speaker, {
                            {full, "!", "!say Hello", {}, 0},
                            {full, "!", "!ban Bob", {}, 0},
                            {full, "!", "!version", {}, 0},
                            {full, "!", "!reconnect", {}, 0},
                        });
    }
}

}  // namespace
}  // namespace varno
