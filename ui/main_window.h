#pragma once

#include <QDBusConnection>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <memory>
#include <vector>

#include "base/colour.h"
#include "base/edition.h"
#include "connection/options_dialog.h"
#include "ui/input_line_view.h"
#include "ui/moderation_window.h"
#include "ui/profile_list.h"
#include "ui/profile_tabs.h"
#include "ui/window_memory.h"

namespace varno {

class ChatLogView;
class Client;
class DesktopNotifier;
class FindBar;
class ProfileView;
class RosterView;

// form1: the main window. It holds the menus, the find keys, the window's place and the
// notifications, and one ProfileView for each open profile: alone in the client area with
// one, under a tab bar with more. Each menu command goes to the profile shown, and so do
// the accessors of the controls.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // appFolder: the settings folder, the first profile's; the others are under profiles/.
    MainWindow(const Edition& edition, const QString& appFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence of every open profile; call once, before showing the window.
    void Form_Load();

    // The profile shown.
    ProfileView& shown() const;
    Client& client();
    ChatLogView* rtbc() const;
    ChatLogView* rtbc2() const;
    RosterView* lusers() const;
    InputLineView* txtSend() const;
    QLabel* label1() const;
    QLabel* lbluptime() const;
    QPushButton* command1() const;
    OptionsDialog* optionsDialog() const;
    ModerationWindow* moderationWindow() const;
    FindBar* findBar() const;

    // The open profiles, in the order of their tabs.
    std::size_t profileCount() const { return views_.size(); }
    ProfileView& profile(std::size_t tab) const { return *views_.at(tab); }
    const ProfileTabs& tabs() const { return tabs_; }
    const ProfileList& profiles() const { return *list_; }
    QTabBar* tabBar() const { return tabBar_; }
    // The label a tab shows (its mark in bold or the mention colour).
    QLabel* tabLabel(std::size_t tab) const;
    void showProfile(std::size_t tab);

    // Desktop notifications go to the notification service on this bus (the session bus,
    // reached at the first notification, unless a test gives its own).
    void setNotificationBus(const QDBusConnection& bus);

    void mnuOptions_Click();
    // Opens the Moderation window of the profile shown, or brings its open one to the front.
    void mnuModeration_Click();
    void mnuAbout_Click();
    // File > New profile...: asks for a name until one can be made or the question is
    // cancelled. NewProfile makes it without asking: empty, or why it could not be made.
    void mnuNewProfile_Click();
    QString NewProfile(const QString& name);
    // File > Close profile: the profile shown, unless it is the first.
    void mnuCloseProfile_Click();
    // File > Open profile > NAME.
    void OpenProfile(const std::string& name);

signals:
    // The whispers and mentions of every profile that came since each was last in front.
    void unseenChanged(int unseen);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void BuildMenus();
    void BuildKeys();
    // A view for the profile of this name in this folder, with its tab in its place.
    ProfileView& AddView(const std::string& name, const QString& folder);
    void RemoveView(std::size_t tab);
    // Opens a view for a profile started after the window, and shows it.
    void OpenView(const Profile& profile);
    std::size_t TabOf(const ProfileView* view) const;
    void ShowTabBar();
    void UpdateTab(std::size_t tab);
    void FillOpenMenu();
    void TellFirst(Colour colour, const std::string& text);
    void Notify(ProfileView* view, const QString& title, const QString& body);
    // Opens where the window was last time, when that is still on a screen.
    void RecallPlace();
    void KeepPlace();
    void NotePlace();

    const Edition& edition_;
    const QString appFolder_;
    std::unique_ptr<ProfileList> list_;
    ProfileTabs tabs_;
    std::vector<ProfileView*> views_;  // one per tab, in order; owned by the stack or window
    QWidget* tabbed_ = nullptr;        // the client area under a tab bar, with two or more
    QTabBar* tabBar_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    bool started_ = false;
    QAction* mnuNewProfile_ = nullptr;
    QMenu* mnuOpenProfile_ = nullptr;
    QAction* mnuCloseProfile_ = nullptr;
    QAction* spacerProfiles_ = nullptr;
    QAction* mnuModeration_ = nullptr;
    std::vector<QShortcut*> tabKeys_;
    std::unique_ptr<WindowMemory> memory_;
    ScreenRect normalPlace_;  // the window's frame when last neither maximised nor minimised
    DesktopNotifier* notifier_ = nullptr;
    QPointer<ProfileView> notifying_;  // whose notification went last, for a failure
};

}  // namespace varno
