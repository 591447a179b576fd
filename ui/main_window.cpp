#include "ui/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>

#include "base/colour.h"
#include "base/version.h"
#include "client/client.h"
#include "ui/desktop_notifier_qt.h"
#include "ui/profile_view.h"
#include "ui/window_icon_qt.h"

namespace varno {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

MainWindow::MainWindow(const Edition& edition, const QString& appFolder, QWidget* parent)
    : QMainWindow(parent), edition_(edition), appFolder_(appFolder) {
    setWindowTitle("Varno Chat");
    setWindowIcon(WindowIcon());
    if (!edition_.maximiseButton) {
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
    }
    BuildMenus();
    BuildKeys();
    list_ = std::make_unique<ProfileList>(
        appFolder_.toStdString(),
        AddView(std::string(), appFolder_).client().settings().KeepWindow);
}

MainWindow::~MainWindow() {
    // Every profile's scripts are told first, while every connection and log still works;
    // then each profile goes, its connection first (see ProfileView).
    KeepPlace();
    for (ProfileView* view : views_) {
        view->client().StopScripts();
    }
    for (ProfileView* view : views_) {
        delete view;
    }
}

ProfileView& MainWindow::shown() const {
    return *views_.at(tabs_.shown());
}

Client& MainWindow::client() {
    return shown().client();
}

ChatLogView* MainWindow::rtbc() const {
    return shown().rtbc();
}

ChatLogView* MainWindow::rtbc2() const {
    return shown().rtbc2();
}

RosterView* MainWindow::lusers() const {
    return shown().lusers();
}

InputLineView* MainWindow::txtSend() const {
    return shown().txtSend();
}

QLabel* MainWindow::label1() const {
    return shown().label1();
}

QLabel* MainWindow::lbluptime() const {
    return shown().lbluptime();
}

QPushButton* MainWindow::command1() const {
    return shown().command1();
}

OptionsDialog* MainWindow::optionsDialog() const {
    return shown().optionsDialog();
}

ModerationWindow* MainWindow::moderationWindow() const {
    return shown().moderationWindow();
}

FindBar* MainWindow::findBar() const {
    return shown().findBar();
}

QLabel* MainWindow::tabLabel(std::size_t tab) const {
    return tabBar_ == nullptr ? nullptr
                              : qobject_cast<QLabel*>(
                                    tabBar_->tabButton(static_cast<int>(tab), QTabBar::LeftSide));
}

void MainWindow::setNotificationBus(const QDBusConnection& bus) {
    delete notifier_;
    notifier_ = new DesktopNotifier(
        bus,
        [this](const QString& reason) {
            ProfileView* view = notifying_ ? notifying_.data() : views_.front();
            view->client().logs().Line(
                LogTarget::Main, colour::kLightGrey,
                "Desktop notifications are not shown: " + reason.toStdString());
        },
        this);
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mnuFile");
    mnuNewProfile_ = file->addAction("New profile...");
    mnuNewProfile_->setObjectName("mnuNewProfile");
    connect(mnuNewProfile_, &QAction::triggered, this, &MainWindow::mnuNewProfile_Click);
    mnuOpenProfile_ = file->addMenu("Open profile");
    mnuOpenProfile_->setObjectName("mnuOpenProfile");
    mnuCloseProfile_ = file->addAction("Close profile");
    mnuCloseProfile_->setObjectName("mnuCloseProfile");
    connect(mnuCloseProfile_, &QAction::triggered, this, &MainWindow::mnuCloseProfile_Click);
    spacerProfiles_ = file->addSeparator();
    for (QAction* item :
         {mnuNewProfile_, mnuOpenProfile_->menuAction(), mnuCloseProfile_, spacerProfiles_}) {
        item->setVisible(false);  // until the first profile's settings say otherwise
    }
    QAction* quit = file->addAction("Exit");
    quit->setObjectName("mnuQuit");
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::exit(0); });

    QMenu* connection = menuBar()->addMenu("Connection");
    connection->setObjectName("mnuConnection");
    QAction* connectItem = connection->addAction("Connect");
    connectItem->setObjectName("mnuConnect");
    connect(connectItem, &QAction::triggered, this, [this] { client().mnuConnect_Click(); });
    QAction* disconnectItem = connection->addAction("Disconnect");
    disconnectItem->setObjectName("mnuDisconnect");
    connect(disconnectItem, &QAction::triggered, this, [this] { client().mnuDisconnect_Click(); });
    connection->addSeparator()->setObjectName("Spacer2");
    QAction* reconnectItem = connection->addAction("Reconnect");
    reconnectItem->setObjectName("mnuReconnect");
    connect(reconnectItem, &QAction::triggered, this, [this] { client().mnuReconnect_Click(); });

    QAction* options = menuBar()->addAction("Options");
    options->setObjectName("mnuOptions");
    connect(options, &QAction::triggered, this, &MainWindow::mnuOptions_Click);
    mnuModeration_ = menuBar()->addAction("Moderation...");
    mnuModeration_->setObjectName("mnuModeration");
    connect(mnuModeration_, &QAction::triggered, this, &MainWindow::mnuModeration_Click);
    QAction* about = menuBar()->addAction("About");
    about->setObjectName("mnuAbout");
    connect(about, &QAction::triggered, this, &MainWindow::mnuAbout_Click);
}

void MainWindow::BuildKeys() {
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { shown().OpenFind(); });
    for (const bool back : {false, true}) {
        auto* f3 = new QShortcut(
            back ? QKeySequence(Qt::SHIFT | Qt::Key_F3) : QKeySequence(Qt::Key_F3), this);
        connect(f3, &QShortcut::activated, this, [this, back] { shown().FindStep(back); });
    }
    // The tab keys work only while there are tabs.
    const auto tabKey = [this](const QKeySequence& keys, auto target) {
        auto* key = new QShortcut(keys, this);
        key->setEnabled(false);
        connect(key, &QShortcut::activated, this, [this, target] {
            if (const std::optional<std::size_t> tab = target()) {
                showProfile(*tab);
            }
        });
        tabKeys_.push_back(key);
    };
    for (const auto keys : {Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown}) {
        tabKey(QKeySequence(keys), [this] { return tabs_.Step(+1); });
    }
    for (const auto keys : {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
                            Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageUp}) {
        tabKey(QKeySequence(keys), [this] { return tabs_.Step(-1); });
    }
    for (int n = 1; n <= 9; ++n) {
        tabKey(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + n)),
               [this, n] { return tabs_.Numbered(n); });
    }
}

void MainWindow::TellFirst(Colour colour, const std::string& text) {
    if (!text.empty()) {
        views_.front()->client().logs().Line(LogTarget::Main, colour, text);
    }
}

void MainWindow::Form_Load() {
    views_.front()->Form_Load();
    const ProfileList::Found found = list_->Scan();
    TellFirst(colour::kLightGrey, found.passedOver);
    TellFirst(colour::kRed, found.failure);
    for (const Profile& p : list_->profiles()) {
        if (!p.name.empty() && p.open) {
            AddView(p.name, FromUtf8(p.folder)).Form_Load();
        }
    }
    for (QAction* item :
         {mnuNewProfile_, mnuOpenProfile_->menuAction(), mnuCloseProfile_, spacerProfiles_}) {
        item->setVisible(list_->enabled());
    }
    ShowTabBar();
    adjustSize();
    if (!edition_.layoutSnapshot) {
        setFixedSize(size());
    } else {
        // Laid out from here on in proportion to the window; no longer a fixed size.
        for (ProfileView* view : views_) {
            view->setMinimumSize(0, 0);
            view->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    RecallPlace();
    started_ = true;
}

// One profile fills the client area as the window always had it; two or more lie under a
// tab bar, in the order of the tabs.

void MainWindow::RecallPlace() {
    memory_ = std::make_unique<WindowMemory>(
        views_.front()->client().appFolder() + "/" + std::string(kWindowFile),
        views_.front()->client().settings().KeepWindow);
    std::vector<ScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const auto place = memory_->Recall(screens);
    if (place) {
        // The tray edition's window has one size; only its place is kept.
        if (edition_.layoutSnapshot) {
            resize(place->rect.width, place->rect.height);
        }
        move(place->rect.x, place->rect.y);
        if (place->maximised && edition_.maximiseButton) {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
    NotePlace();
}

void MainWindow::NotePlace() {
    if (!isMaximized() && !isMinimized() && !isFullScreen()) {
        normalPlace_ = {x(), y(), width(), height()};
    }
}

void MainWindow::KeepPlace() {
    if (memory_ && !memory_->Keep({normalPlace_, isMaximized()})) {
        TellFirst(colour::kRed, "Could not keep the window's place in " + std::string(kWindowFile));
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    NotePlace();
}

void MainWindow::mnuOptions_Click() {
    shown().mnuOptions_Click();
}

void MainWindow::mnuModeration_Click() {
    shown().mnuModeration_Click();
}

void MainWindow::mnuAbout_Click() {
    QMessageBox box(QMessageBox::NoIcon, "Varno",
                    QString::fromUtf8(edition_.aboutText.data(), edition_.aboutText.size()),
                    QMessageBox::Ok, this);
    box.setInformativeText("Version " +
                           QString::fromUtf8(PackageVersion().data(),
                                             static_cast<qsizetype>(PackageVersion().size())));
    box.exec();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    NotePlace();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if ((event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowStateChange) &&
        isVisible() && !isMinimized() && isActiveWindow()) {
        shown().client().attention().Activated();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The options dialogs and the Moderation windows go with the window, so that closing the
    // window ends the program.
    for (ProfileView* view : views_) {
        view->CloseWindows();
    }
    KeepPlace();
    QMainWindow::closeEvent(event);
}

}  // namespace varno
