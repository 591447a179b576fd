#pragma once

#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <memory>

#include "base/edition.h"
#include "base/window_port.h"
#include "client/attention.h"
#include "connection/options_dialog.h"
#include "ui/input_line_view.h"
#include "ui/moderation_window.h"
#include "ui/window_memory.h"

namespace varno {

class ChatLogView;
class Client;
class ClientHost;
class DesktopNotifier;
class FindBar;
class ProportionalLayout;
class RosterView;

// form1: the main window. It owns the socket, the timers and the controls, turns each Qt
// signal into one call on the Client, and shows what the Client's models hold.
class MainWindow : public QMainWindow, private WindowPort, private AttentionPort {
    Q_OBJECT
public:
    // appFolder: where Varno.ini, shitlist.txt and database.txt are read.
    MainWindow(const Edition& edition, const QString& appFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence; call once, before showing the window.
    void Form_Load();

    Client& client();
    ChatLogView* rtbc() const { return rtbc_; }
    ChatLogView* rtbc2() const { return rtbc2_; }
    RosterView* lusers() const { return lusers_; }
    InputLineView* txtSend() const { return txtSend_; }
    QLabel* label1() const { return label1_; }
    QLabel* lbluptime() const { return lbluptime_; }
    QPushButton* command1() const { return command1_; }
    OptionsDialog* optionsDialog() const { return options_; }
    ModerationWindow* moderationWindow() const { return moderation_; }
    FindBar* findBar() const { return findBar_; }

    // Desktop notifications go to the notification service on this bus (the session bus,
    // reached at the first notification, unless a test gives its own).
    void setNotificationBus(const QDBusConnection& bus);

    void mnuOptions_Click();
    // Opens the Moderation window, or brings the open one to the front.
    void mnuModeration_Click();
    void mnuAbout_Click();

signals:
    // The whispers and mentions that came since the window was last active; 0 once it is.
    void unseenChanged(int unseen);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // WindowPort
    void setCaption(std::string_view caption) override;
    void setChannelLabel(std::string_view text) override;
    void setUptime(std::string_view text) override;
    void takeLayoutSnapshot() override;
    void beep() override;
    // AttentionPort
    bool windowActive() const override;
    void notify(const std::string& title, const std::string& body) override;
    void askAttention(int unseen) override;

    void BuildControls();
    void BuildMenus();
    void BuildFindBar();
    void PlaceFindBar();
    // Opens where the window was last time, when that is still on a screen.
    void RecallPlace();
    void KeepPlace();
    void NotePlace();
    bool Lusers_MouseDown(QMouseEvent* event);

    const Edition& edition_;
    std::unique_ptr<ClientHost> host_;
    std::unique_ptr<ProportionalLayout> layout_;

    QWidget* client_area_ = nullptr;
    ChatLogView* rtbc_ = nullptr;
    ChatLogView* rtbc2_ = nullptr;
    InputLineView* txtSend_ = nullptr;
    QPushButton* command1_ = nullptr;
    QLabel* label1_ = nullptr;
    RosterView* lusers_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLabel* lbluptime_ = nullptr;
    QPointer<OptionsDialog> options_;
    QAction* mnuModeration_ = nullptr;
    QPointer<ModerationWindow> moderation_;
    FindBar* findBar_ = nullptr;
    std::unique_ptr<WindowMemory> memory_;
    ScreenRect normalPlace_;  // the window's frame when last neither maximised nor minimised
    DesktopNotifier* notifier_ = nullptr;
};

}  // namespace varno
