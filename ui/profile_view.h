#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "base/edition.h"
#include "base/window_port.h"
#include "client/attention.h"
#include "connection/options_dialog.h"
#include "ui/input_line_view.h"
#include "ui/moderation_window.h"

namespace varno {

class ChatLogView;
class Client;
class ClientHost;
class FindBar;
class ProportionalLayout;
class RosterView;

// One profile in the window: its client with the socket, timers and file watch around it,
// and what the client area shows of it (the logs, the user list, the input line, Clear, the
// uptime and the channel label), with its own options dialog, Moderation window and find
// bar. It turns each Qt signal of its controls into one call on the Client and tells the
// window what the Client asks of it; the window decides what is shown.
class ProfileView : public QWidget, private WindowPort, private AttentionPort {
    Q_OBJECT
public:
    // folder: where this profile's Varno.ini, lists and scripts are read.
    ProfileView(const Edition& edition, const QString& folder, QWidget* parent = nullptr);
    ~ProfileView() override;

    // Runs the client's start-up sequence; a first start then asks for the settings.
    void Form_Load();
    // The program or the profile goes away: the scripts are told first, while their lines
    // still reach the log and the server, then the connection is dropped without a word and
    // nothing of the client runs again.
    void Shut();

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
    const QString& caption() const { return caption_; }
    // What the channel label says, as the client gave it (bytes).
    const std::string& channel() const { return channel_; }
    // Whether the Moderation... entry is in the menu for this profile (read at start).
    bool moderationMenu() const { return moderationMenu_; }

    // The title the window gives this profile's own windows and notifications.
    void setTitled(std::function<QString(const QString&)> titled) { titled_ = std::move(titled); }
    void mnuOptions_Click();
    // Opens the Moderation window, or brings the open one to the front.
    void mnuModeration_Click();
    // Ctrl+F and F3 / Shift+F3, where the Find key allows it.
    void OpenFind();
    void FindStep(bool back);
    // Closes the options dialog and the Moderation window.
    void CloseWindows();

signals:
    void captionChanged();
    void channelChanged();
    void linesArrived();
    // A whisper or a line that names the account came.
    void wasAddressed();
    // The whispers and mentions that came since the profile was last in front.
    void unseenChanged(int unseen);
    void notified(const QString& title, const QString& body);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // WindowPort
    void setCaption(std::string_view caption) override;
    void setChannelLabel(std::string_view text) override;
    void setUptime(std::string_view text) override;
    void takeLayoutSnapshot() override;
    void beep() override;
    // AttentionPort: the profile is in front when the window is and this is its tab shown.
    bool windowActive() const override;
    void notify(const std::string& title, const std::string& body) override;
    void askAttention(int unseen) override;
    void addressed() override { emit wasAddressed(); }

    void BuildControls();
    void BuildFindBar();
    void PlaceFindBar();
    bool Lusers_MouseDown(QMouseEvent* event);
    QString Titled(const QString& title) const { return titled_ ? titled_(title) : title; }

    const Edition& edition_;
    std::unique_ptr<ClientHost> host_;
    std::unique_ptr<ProportionalLayout> layout_;
    ChatLogView* rtbc_ = nullptr;
    ChatLogView* rtbc2_ = nullptr;
    InputLineView* txtSend_ = nullptr;
    QPushButton* command1_ = nullptr;
    QLabel* label1_ = nullptr;
    RosterView* lusers_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLabel* lbluptime_ = nullptr;
    QPointer<OptionsDialog> options_;
    QPointer<ModerationWindow> moderation_;
    FindBar* findBar_ = nullptr;
    QString caption_;
    std::string channel_;
    bool moderationMenu_ = true;
    std::function<QString(const QString&)> titled_;
};

}  // namespace varno
