#include "tray/tray_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varno {
namespace {

// A window and notification area that record what was done to them. Like the platform, a
// restore raises the window's state change.
class FakeTray : public TrayPort {
public:
    bool available() const override { return trayAvailable; }
    void hideWindow() override {
        calls.push_back("hide");
        hidden = true;
    }
    void showWindowNormal() override {
        calls.push_back("show");
        hidden = false;
        if (controller != nullptr) {
            controller->Form_Resize(false, "caption");
        }
    }
    void addIcon(const std::string& tip) override {
        calls.push_back("add " + tip);
        ++icons;
    }
    void setTip(const std::string& tip) override { calls.push_back("tip " + tip); }
    void deleteIcon() override {
        calls.push_back("delete");
        if (icons > 0) {
            --icons;
        }
    }
    void showMenu() override { calls.push_back("menu"); }
    void quit() override { calls.push_back("quit"); }

    bool trayAvailable = true;
    bool hidden = false;
    int icons = 0;
    TrayController* controller = nullptr;
    std::vector<std::string> calls;
};

struct TrayTest : ::testing::Test {
    TrayTest() { tray.controller = &controller; }

    FakeTray tray;
    TrayController controller{tray};
};

using Calls = std::vector<std::string>;

TEST_F(TrayTest, FirstDisplayDeletesNothing) {
    controller.Form_Resize(false, "Varno Chat");
    EXPECT_EQ(tray.calls, Calls{});
    EXPECT_FALSE(controller.iconShown());
}

TEST_F(TrayTest, MinimiseRestoreMinimiseKeepsOneIcon) {
    controller.Form_Resize(true, "first");
    EXPECT_TRUE(tray.hidden);
    EXPECT_EQ(tray.icons, 1);
    controller.Form_Resize(true, "again");  // a repeated notification adds nothing
    EXPECT_EQ(tray.icons, 1);
    controller.mnuRestore_Click();
    EXPECT_FALSE(tray.hidden);
    EXPECT_EQ(tray.icons, 0);
    EXPECT_FALSE(controller.iconShown());
    controller.Form_Resize(true, "second");
    EXPECT_EQ(tray.icons, 1);
    EXPECT_EQ(tray.calls,
              (Calls{"hide", "add first", "hide", "show", "delete", "hide", "add second"}));
}

TEST_F(TrayTest, RestoreRemovesIconWhenNoStateChangeFollows) {
    tray.controller = nullptr;
    controller.Form_Resize(true, "caption");
    controller.mnuRestore_Click();
    EXPECT_EQ(tray.icons, 0);
    EXPECT_EQ(tray.calls, (Calls{"hide", "add caption", "show", "delete"}));
}

TEST_F(TrayTest, TipIsTheCaptionCutAt64) {
    const std::string caption = "Varno 2.00 by Tamsel - Logged in as " + std::string(40, 'n');
    controller.Form_Resize(true, caption);
    EXPECT_EQ(tray.calls.back(), "add " + caption.substr(0, 64));
}

TEST_F(TrayTest, ExitWhileHiddenRemovesIconThenQuitsOnce) {
    controller.Form_Resize(true, "caption");
    controller.mnuExit_Click();
    controller.Form_Unload();  // the close that quitting may raise
    EXPECT_EQ(tray.calls, (Calls{"hide", "add caption", "delete", "quit"}));
}

TEST_F(TrayTest, CloseBoxWhileShownQuitsWithoutDelete) {
    controller.Form_Resize(false, "caption");
    controller.Form_Unload();
    EXPECT_EQ(tray.calls, (Calls{"quit"}));
}

TEST_F(TrayTest, WithoutNotificationAreaMinimiseHidesNothing) {
    tray.trayAvailable = false;
    controller.Form_Resize(true, "caption");
    controller.Form_Resize(false, "caption");
    EXPECT_FALSE(tray.hidden);
    EXPECT_EQ(tray.calls, Calls{});
}

TEST_F(TrayTest, OnlyLeftButtonOpensTheMenu) {
    struct Case {
        TrayActivation activation;
        int message;
        bool menu;
    };
    const Case cases[] = {
        {TrayActivation::Trigger, 513, true},      {TrayActivation::Context, 516, false},
        {TrayActivation::DoubleClick, 515, false}, {TrayActivation::Middle, 519, false},
        {TrayActivation::Unknown, 512, false},
    };
    for (const Case& c : cases) {
        tray.calls.clear();
        EXPECT_EQ(MouseMessageFor(c.activation), c.message);
        controller.Form_MouseMove(MouseMessageFor(c.activation));
        EXPECT_EQ(tray.calls, c.menu ? Calls{"menu"} : Calls{}) << c.message;
    }
}

}  // namespace
}  // namespace varno
