#include "ui/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

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

ProfileView& MainWindow::AddView(const std::string& name, const QString& folder) {
    auto* view = new ProfileView(edition_, folder, this);
    const std::size_t at = tabs_.PlaceFor(name);
    tabs_.Insert(at, name);
    views_.insert(views_.begin() + static_cast<std::ptrdiff_t>(at), view);
    view->setTitled([this, view](const QString& title) {
        const std::size_t tab = TabOf(view);
        return tab < views_.size() ? FromUtf8(tabs_.Titled(tab, title.toStdString())) : title;
    });
    // Each signal finds the view's tab as it is then: tabs come and go.
    const auto onTab = [this, view](auto act) {
        return [this, view, act] {
            if (const std::size_t tab = TabOf(view); tab < views_.size()) {
                act(tab);
                UpdateTab(tab);
            }
        };
    };
    connect(view, &ProfileView::captionChanged, this, onTab([this](std::size_t tab) {
                tabs_.setAccount(tab, views_[tab]->client().ownName());
                if (tab == tabs_.shown()) {
                    setWindowTitle(views_[tab]->caption());
                }
            }));
    connect(view, &ProfileView::channelChanged, this, onTab([this](std::size_t tab) {
                tabs_.setAccount(tab, views_[tab]->client().ownName());
                tabs_.setChannel(tab, views_[tab]->channel());
            }));
    connect(view, &ProfileView::linesArrived, this,
            onTab([this](std::size_t tab) { tabs_.LineArrived(tab); }));
    connect(view, &ProfileView::wasAddressed, this,
            onTab([this](std::size_t tab) { tabs_.Addressed(tab); }));
    connect(view, &ProfileView::unseenChanged, this, [this, view](int unseen) {
        if (const std::size_t tab = TabOf(view); tab < views_.size()) {
            tabs_.setUnseen(tab, unseen);
            if (unseen > 0) {
                QApplication::alert(this);
            }
            emit unseenChanged(tabs_.unseen());
        }
    });
    connect(view, &ProfileView::notified, this,
            [this, view](const QString& title, const QString& body) { Notify(view, title, body); });
    if (views_.size() == 1) {
        setCentralWidget(view);
    }
    return *view;
}

std::size_t MainWindow::TabOf(const ProfileView* view) const {
    return static_cast<std::size_t>(std::find(views_.begin(), views_.end(), view) - views_.begin());
}

void MainWindow::Notify(ProfileView* view, const QString& title, const QString& body) {
    // The session bus is reached only once there is something to tell.
    if (notifier_ == nullptr) {
        setNotificationBus(QDBusConnection::sessionBus());
    }
    notifying_ = view;
    const std::size_t tab = TabOf(view);
    std::function<void()> clicked;
    if (views_.size() > 1) {
        clicked = [this, shownView = QPointer<ProfileView>(view)] {
            if (const std::size_t at = TabOf(shownView); shownView && at < views_.size()) {
                showProfile(at);
                if (isVisible()) {
                    raise();
                    activateWindow();
                }
            }
        };
    }
    notifier_->notify(FromUtf8(tabs_.Titled(tab, title.toStdString())), body, clicked);
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
void MainWindow::ShowTabBar() {
    const bool tabbed = views_.size() > 1;
    for (QShortcut* key : tabKeys_) {
        key->setEnabled(tabbed);
    }
    const int before = tabbed_ != nullptr ? tabBar_->sizeHint().height() : 0;
    if (!tabbed) {
        if (tabbed_ != nullptr) {
            views_.front()->setParent(this);
            takeCentralWidget();
            delete tabbed_;
            tabbed_ = nullptr;
            tabBar_ = nullptr;
            stack_ = nullptr;
            setCentralWidget(views_.front());
        }
    } else {
        if (tabbed_ == nullptr) {
            takeCentralWidget();
            tabbed_ = new QWidget(this);
            auto* column = new QVBoxLayout(tabbed_);
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(0);
            tabBar_ = new QTabBar(tabbed_);
            tabBar_->setObjectName("profileTabs");
            tabBar_->setExpanding(false);
            tabBar_->setUsesScrollButtons(true);
            tabBar_->setFocusPolicy(Qt::NoFocus);  // the keys stay with the input line
            stack_ = new QStackedWidget(tabbed_);
            column->addWidget(tabBar_);
            column->addWidget(stack_);
            connect(tabBar_, &QTabBar::currentChanged, this, [this](int tab) {
                if (tab >= 0) {
                    showProfile(static_cast<std::size_t>(tab));
                }
            });
            setCentralWidget(tabbed_);
        }
        const QSignalBlocker quiet(tabBar_);
        while (tabBar_->count() > 0) {
            tabBar_->removeTab(0);
        }
        for (std::size_t tab = 0; tab < views_.size(); ++tab) {
            stack_->insertWidget(static_cast<int>(tab), views_[tab]);
            tabBar_->addTab(QString());
            auto* label = new QLabel(tabBar_);
            label->setTextFormat(Qt::PlainText);
            label->setAutoFillBackground(true);
            label->setContentsMargins(4, 1, 4, 1);
            tabBar_->setTabButton(static_cast<int>(tab), QTabBar::LeftSide, label);
            UpdateTab(tab);
        }
        while (stack_->count() > static_cast<int>(views_.size())) {
            stack_->removeWidget(stack_->widget(stack_->count() - 1));
        }
    }
    showProfile(tabs_.shown());
    const int after = tabbed_ != nullptr ? tabBar_->sizeHint().height() : 0;
    if (started_ && after != before) {
        // The client area keeps its size; the window grows or shrinks by the tab bar.
        if (!edition_.layoutSnapshot) {
            setFixedSize(width(), height() + after - before);
        } else if (!isMaximized() && !isFullScreen()) {
            resize(width(), height() + after - before);
        }
    }
}

void MainWindow::UpdateTab(std::size_t tab) {
    QLabel* label = tabLabel(tab);
    if (label == nullptr) {
        return;
    }
    const TabMark mark = tabs_.mark(tab);
    label->setText(FromUtf8(tabs_.Label(tab)));
    QFont font = label->font();
    font.setBold(mark != TabMark::None);
    label->setFont(font);
    QPalette colours = tabBar_->palette();
    if (mark == TabMark::Mention) {
        colours.setColor(QPalette::Window, QColor::fromRgb(colour::kMention));
        colours.setColor(QPalette::WindowText, Qt::white);
    } else {
        colours.setColor(QPalette::Window, Qt::transparent);
    }
    label->setPalette(colours);
    label->adjustSize();
    // The tab takes its label's new size only when the label is given again.
    tabBar_->setTabButton(static_cast<int>(tab), QTabBar::LeftSide, nullptr);
    tabBar_->setTabButton(static_cast<int>(tab), QTabBar::LeftSide, label);
}

void MainWindow::showProfile(std::size_t tab) {
    if (tab >= views_.size()) {
        return;
    }
    tabs_.Show(tab);
    if (tabBar_ != nullptr) {
        const QSignalBlocker quiet(tabBar_);
        tabBar_->setCurrentIndex(static_cast<int>(tab));
        stack_->setCurrentWidget(views_[tab]);
        for (std::size_t t = 0; t < views_.size(); ++t) {
            UpdateTab(t);
        }
    }
    ProfileView& view = *views_[tab];
    setWindowTitle(view.caption().isEmpty() ? QString("Varno Chat") : view.caption());
    mnuModeration_->setVisible(view.moderationMenu());
    mnuCloseProfile_->setEnabled(tabs_.profile(tab) != "");
    FillOpenMenu();
    if (isVisible() && !isMinimized() && isActiveWindow()) {
        view.client().attention().Activated();
    }
    if (started_) {
        view.txtSend()->setFocus();
    }
}

void MainWindow::FillOpenMenu() {
    mnuOpenProfile_->clear();
    for (const Profile& p : list_ ? list_->profiles() : std::vector<Profile>{}) {
        if (!p.open) {
            QAction* item = mnuOpenProfile_->addAction(FromUtf8(p.name));
            connect(item, &QAction::triggered, this, [this, name = p.name] { OpenProfile(name); });
        }
    }
    mnuOpenProfile_->setEnabled(!mnuOpenProfile_->isEmpty());
}

void MainWindow::mnuNewProfile_Click() {
    const QString ask = "Name of the new profile: letters, digits, - and _";
    QString question = ask;
    QString name;
    const QPointer<MainWindow> alive(this);
    for (;;) {
        bool ok = false;
        name = QInputDialog::getText(this, "New profile", question, QLineEdit::Normal, name, &ok);
        if (!alive || !ok) {
            return;
        }
        const QString error = NewProfile(name.trimmed());
        if (error.isEmpty()) {
            return;
        }
        question = error + "\n" + ask;
    }
}

QString MainWindow::NewProfile(const QString& name) {
    const ProfileList::Made made = list_->Make(name.toStdString());
    if (!made.index) {
        return FromUtf8(made.error);
    }
    const Profile& p = list_->profiles()[*made.index];
    ProfileView& view = AddView(p.name, FromUtf8(p.folder));
    view.Form_Load();  // asks for the settings, as a first start does
    if (edition_.layoutSnapshot) {
        view.setMinimumSize(0, 0);
        view.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    tabs_.Show(TabOf(&view));
    ShowTabBar();
    return {};
}

void MainWindow::mnuCloseProfile_Click() {
    const std::size_t tab = tabs_.shown();
    const std::string name = tabs_.profile(tab);
    const auto& all = list_->profiles();
    const auto p = std::find_if(all.begin(), all.end(),
                                [&](const Profile& profile) { return profile.name == name; });
    if (name.empty() || p == all.end()) {
        return;
    }
    if (!list_->SetOpen(static_cast<std::size_t>(p - all.begin()), false)) {
        TellFirst(colour::kRed,
                  "Could not keep the closed profiles in " + std::string(kWindowFile));
    }
    RemoveView(tab);
}

void MainWindow::RemoveView(std::size_t tab) {
    ProfileView* view = views_.at(tab);
    view->CloseWindows();
    view->client().mnuDisconnect_Click();  // its chat log on disk says so
    view->Shut();
    disconnect(view, nullptr, this, nullptr);
    views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(tab));
    tabs_.Remove(tab);
    if (stack_ != nullptr) {
        stack_->removeWidget(view);
    }
    view->hide();
    // Not at once: the view may be inside a call of its own (the user-list menu's loop).
    view->deleteLater();
    ShowTabBar();
}

void MainWindow::OpenProfile(const std::string& name) {
    const auto& all = list_->profiles();
    for (std::size_t i = 1; i < all.size(); ++i) {
        if (all[i].name == name && !all[i].open) {
            if (!list_->SetOpen(i, true)) {
                TellFirst(colour::kRed,
                          "Could not keep the closed profiles in " + std::string(kWindowFile));
            }
            ProfileView& view = AddView(all[i].name, FromUtf8(all[i].folder));
            view.Form_Load();
            if (edition_.layoutSnapshot) {
                view.setMinimumSize(0, 0);
                view.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            }
            tabs_.Show(TabOf(&view));
            ShowTabBar();
            return;
        }
    }
}

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
