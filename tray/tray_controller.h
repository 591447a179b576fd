#pragma once

#include <string>
#include <string_view>

namespace varno {

// What the notification-area behaviour needs of the platform.
class TrayPort {
public:
    virtual ~TrayPort() = default;

    // Whether the desktop has a notification area to put an icon in.
    virtual bool available() const = 0;
    virtual void hideWindow() = 0;
    virtual void showWindowNormal() = 0;
    virtual void addIcon(const std::string& tip) = 0;
    virtual void setTip(const std::string& tip) = 0;
    virtual void deleteIcon() = 0;
    // Pops up the tray menu (Restore, separator, Exit) at the pointer.
    virtual void showMenu() = 0;
    // Ends the program.
    virtual void quit() = 0;
};

// Mouse message numbers the icon reports through its callback.
inline constexpr int kMouseMove = 512;
inline constexpr int kLeftButtonDown = 513;
inline constexpr int kLeftButtonDoubleClick = 515;
inline constexpr int kRightButtonDown = 516;
inline constexpr int kMiddleButtonDown = 519;

// How the icon was activated, as the platform tells it.
enum class TrayActivation { Unknown, Trigger, Context, DoubleClick, Middle };

// The mouse message number for an activation: a left click is a left-button press.
int MouseMessageFor(TrayActivation activation);

// The tray client's window-level handlers: minimising hides the window behind one
// notification-area icon whose tip is the caption; a left-button press on the icon opens the
// Restore / Exit menu; restoring, closing and Exit remove the icon.
class TrayController {
public:
    explicit TrayController(TrayPort& port);
    TrayController(const TrayController&) = delete;
    TrayController& operator=(const TrayController&) = delete;

    // The window's state changed: minimised, or shown normally (first display or restore).
    void Form_Resize(bool minimised, std::string_view caption);
    // The icon's callback with the mouse message number.
    void Form_MouseMove(int mouseMessage);
    // The whispers and mentions that came since the window was last active: while the icon
    // is shown, its tip says "N new" on a line under the caption.
    void Unseen(int count);
    void mnuRestore_Click();
    void mnuExit_Click();
    // The window is closing (close box or Exit): remove the icon, then end the program.
    void Form_Unload();

    bool iconShown() const { return iconShown_; }

private:
    void DeleteIcon();

    TrayPort& port_;
    std::string tip_;  // the caption's tip, as the icon was added with it
    int unseen_ = 0;
    bool iconShown_ = false;
    bool unloaded_ = false;
};

}  // namespace varno
