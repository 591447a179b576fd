#include "ui/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include "base/version.h"
#include "channel/roster_view.h"
#include "client/client.h"
#include "client/client_host_qtcore.h"
#include "connection/options_dialog.h"
#include "log/display_text_qtcore.h"
#include "moderation/user_menu_view.h"
#include "ui/chat_log_view.h"
#include "ui/desktop_notifier_qt.h"
#include "ui/find_bar_view.h"
#include "ui/layout.h"
#include "ui/proportional_layout_qt.h"
#include "ui/window_icon_qt.h"

namespace varno {
namespace {

QFont FontOf(const char* family, double points, bool bold = false) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);  // a sans-serif where the family is missing
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void WhiteOnBlack(QWidget* w) {
    QPalette p = w->palette();
    for (const auto role : {QPalette::Window, QPalette::Base}) {
        p.setColor(role, Qt::black);
    }
    for (const auto role : {QPalette::WindowText, QPalette::Text}) {
        p.setColor(role, Qt::white);
    }
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

}  // namespace

MainWindow::MainWindow(const Edition& edition, const QString& appFolder, QWidget* parent)
    : QMainWindow(parent), edition_(edition) {
    setWindowTitle("Varno Chat");
    setWindowIcon(WindowIcon());
    if (!edition_.maximiseButton) {
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
    }

    host_ = std::make_unique<ClientHost>(edition_, appFolder.toStdString(),
                                         static_cast<WindowPort&>(*this));
    BuildControls();
    BuildMenus();
    BuildFindBar();
    client().attention().setPort(this);
}

void MainWindow::setNotificationBus(const QDBusConnection& bus) {
    delete notifier_;
    notifier_ = new DesktopNotifier(
        bus,
        [this](const QString& reason) {
            client().logs().Line(LogTarget::Main, colour::kLightGrey,
                                 "Desktop notifications are not shown: " + reason.toStdString());
        },
        this);
}

Client& MainWindow::client() {
    return host_->client();
}

MainWindow::~MainWindow() {
    // The socket goes first, so that no event of it reaches a half-destroyed window; then the
    // views, which read the client's models, before the client itself. The scripts end
    // between the two, so that what they say as they end reaches the log.
    KeepPlace();
    host_->DropSocket();
    client().StopScripts();
    client().attention().setPort(nullptr);
    delete options_;
    delete moderation_;
    lusers_->viewport()->removeEventFilter(this);
    delete client_area_;
}

void MainWindow::BuildControls() {
    client_area_ = new QWidget(this);
    WhiteOnBlack(client_area_);
    client_area_->setStyleSheet(
        "QPlainTextEdit, QLineEdit, QTreeView { border: 1px solid #505050; background: black;"
        " color: white; }");
    setCentralWidget(client_area_);
    client_area_->setFixedSize(TwipsToPixels(edition_.clientWidth),
                               TwipsToPixels(edition_.clientHeight));

    rtbc_ = new ChatLogView(client().logs().main(), client_area_);
    rtbc_->setObjectName("rtbc");
    rtbc_->setFont(FontOf("Tahoma", 9));
    rtbc_->setShowLinks([this] { return client().showsLinks(); });
    if (edition_.whisperLog) {
        rtbc2_ = new ChatLogView(client().logs().whisper(), client_area_);
        rtbc2_->setObjectName("rtbc2");
        rtbc2_->setFont(FontOf("Tahoma", 9));
        rtbc2_->setShowLinks([this] { return client().showsLinks(); });
    }
    txtSend_ = new InputLineView(client_area_);
    txtSend_->setObjectName("txtSend");
    txtSend_->setFont(FontOf("Tahoma", 9));
    WhiteOnBlack(txtSend_);
    connect(txtSend_, &QLineEdit::returnPressed, this, [this] {
        const QByteArray typed = txtSend_->text().toUtf8();
        client().txtSend_Enter(std::string_view(typed.constData(), typed.size()));
        txtSend_->clear();
    });
    if (edition_.clearButton) {
        command1_ = new QPushButton("Clear", client_area_);
        command1_->setObjectName("Command1");
        command1_->setToolTip("Clears Both Screens");
        connect(command1_, &QPushButton::clicked, this, [this] { client().Command1_Click(); });
    }
    label1_ = new QLabel("<Disconnected>", client_area_);
    label1_->setObjectName("Label1");
    label1_->setTextFormat(Qt::PlainText);
    label1_->setFont(FontOf("Tahoma", 8.25));
    WhiteOnBlack(label1_);
    lusers_ = new RosterView(client().roster(), client_area_);
    lusers_->setObjectName(
        QString::fromUtf8(edition_.userListName.data(), edition_.userListName.size()));
    lusers_->setFont(FontOf("Tahoma", 9));
    lusers_->viewport()->installEventFilter(this);
    txtSend_->setNames([this] {
        std::vector<std::string> names;
        const Roster& roster = client().roster();
        names.reserve(roster.size());
        for (std::size_t i = 0; i < roster.size(); ++i) {
            names.push_back(DisplayText(roster.at(i).text));
        }
        return names;
    });
    lusers_->setInputLine(
        [this] { return txtSend_->text().toStdString(); },
        [this](const std::string& text) { txtSend_->setText(QString::fromStdString(text)); });
    text1_ = new QLineEdit("Uptime", client_area_);
    text1_->setObjectName("Text1");
    text1_->setReadOnly(true);
    text1_->setFont(FontOf("Verdana", 9, true));
    WhiteOnBlack(text1_);
    lbluptime_ = new QLabel(client_area_);
    lbluptime_->setObjectName("lbluptime");
    lbluptime_->setTextFormat(Qt::PlainText);
    lbluptime_->setFont(FontOf("Verdana", 9));
    WhiteOnBlack(lbluptime_);

    for (const ControlPlace& c : edition_.controls) {
        if (auto* w = client_area_->findChild<QWidget*>(
                QString::fromUtf8(c.name.data(), c.name.size()), Qt::FindDirectChildrenOnly)) {
            w->setGeometry(TwipsToPixels(c.left), TwipsToPixels(c.top), TwipsToPixels(c.width),
                           TwipsToPixels(c.height));
        }
    }
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mnuFile");
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

void MainWindow::BuildFindBar() {
    QList<ChatLogView*> logs{rtbc_};
    if (rtbc2_ != nullptr) {
        logs.append(rtbc2_);
    }
    findBar_ = new FindBar(logs, client_area_);
    WhiteOnBlack(findBar_);
    connect(findBar_, &FindBar::closed, txtSend_, [this] { txtSend_->setFocus(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        if (client().hasFindBar()) {
            PlaceFindBar();
            findBar_->open();
        }
    });
    for (const bool back : {false, true}) {
        auto* f3 = new QShortcut(
            back ? QKeySequence(Qt::SHIFT | Qt::Key_F3) : QKeySequence(Qt::Key_F3), this);
        connect(f3, &QShortcut::activated, this, [this, back] {
            if (!client().hasFindBar()) {
                return;
            }
            if (!findBar_->isVisible()) {
                PlaceFindBar();
                findBar_->open();
            }
            back ? findBar_->previous() : findBar_->next();
        });
    }
}

// The bar lies over the foot of the lowest log, as wide as the logs.
void MainWindow::PlaceFindBar() {
    const QWidget* lowest = rtbc2_ != nullptr ? rtbc2_ : rtbc_;
    const int height = findBar_->sizeHint().height();
    const QRect log = lowest->geometry();
    findBar_->setGeometry(log.left(), log.bottom() + 1 - height, log.width(), height);
}

void MainWindow::Form_Load() {
    client().Form_Load();
    mnuModeration_->setVisible(SwitchedOn(client().settings().Moderation));
    adjustSize();
    if (!edition_.layoutSnapshot) {
        setFixedSize(size());
    } else {
        // Laid out from here on in proportion to the window; no longer a fixed size.
        client_area_->setMinimumSize(0, 0);
        client_area_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    RecallPlace();
    if (client().awaitingSettings()) {
        // Once the window is shown, so that the dialog comes up in front of it.
        QTimer::singleShot(0, this, &MainWindow::mnuOptions_Click);
    }
}

void MainWindow::RecallPlace() {
    memory_ = std::make_unique<WindowMemory>(client().appFolder() + "/" + std::string(kWindowFile),
                                             client().settings().KeepWindow);
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
        client().logs().Line(LogTarget::Main, colour::kRed,
                             "Could not keep the window's place in " + std::string(kWindowFile));
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    NotePlace();
}

void MainWindow::mnuOptions_Click() {
    if (options_) {
        options_->raise();
        options_->activateWindow();
        return;
    }
    options_ = new OptionsDialog(
        client().Form2_Load(),
        [this](const std::vector<OptionField>& fields) { client().Form2_Ok(fields); }, this);
    options_->setWindowFlag(Qt::Window);
    options_->show();
}

void MainWindow::mnuModeration_Click() {
    if (!moderation_) {
        moderation_ = new ModerationWindow(client(), this);
        // Beside the main window where the screen has room, so the channel stays in view;
        // else over its middle.
        const QRect main = frameGeometry();
        QPoint place(main.right() + 8, main.top());
        if (const QScreen* screen = this->screen();
            screen && place.x() + moderation_->width() > screen->availableGeometry().right()) {
            place = main.center() - moderation_->rect().center();
        }
        moderation_->move(place);
    }
    moderation_->show();
    moderation_->raise();
    moderation_->activateWindow();
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
    if (layout_) {
        layout_->relayout(client_area_->size());
    }
    PlaceFindBar();
    NotePlace();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if ((event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowStateChange) &&
        windowActive()) {
        client().attention().Activated();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The options dialog and the Moderation window go with the window, so that closing the
    // window ends the program.
    if (options_) {
        options_->close();
    }
    if (moderation_) {
        moderation_->close();
    }
    KeepPlace();
    QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lusers_->viewport() && event->type() == QEvent::MouseButtonPress &&
        Lusers_MouseDown(static_cast<QMouseEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::Lusers_MouseDown(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        return false;
    }
    const auto entry = lusers_->entryAt(event->position().toPoint());
    if (!entry) {
        return true;
    }
    lusers_->select(*entry);
    const std::string name = client().roster().at(static_cast<std::size_t>(*entry)).text;
    const auto id = ExecUserMenu(edition_, event->globalPosition().toPoint(), this);
    if (id) {
        client().UserMenuChoice(*id, name);
    }
    return true;
}

void MainWindow::setCaption(std::string_view caption) {
    setWindowTitle(Shown(caption));
}

void MainWindow::setChannelLabel(std::string_view text) {
    label1_->setText(Shown(text));
}

void MainWindow::setUptime(std::string_view text) {
    lbluptime_->setText(Shown(text));
}

void MainWindow::takeLayoutSnapshot() {
    layout_ = std::make_unique<ProportionalLayout>();
    QList<QWidget*> controls;
    for (const ControlPlace& c : edition_.controls) {
        if (auto* w = client_area_->findChild<QWidget*>(
                QString::fromUtf8(c.name.data(), c.name.size()), Qt::FindDirectChildrenOnly)) {
            controls.push_back(w);
        }
    }
    layout_->takeSnapshot(client_area_, controls);
}

void MainWindow::beep() {
    QApplication::beep();
}

bool MainWindow::windowActive() const {
    return isVisible() && !isMinimized() && isActiveWindow();
}

void MainWindow::notify(const std::string& title, const std::string& body) {
    // The session bus is reached only once there is something to tell.
    if (notifier_ == nullptr) {
        setNotificationBus(QDBusConnection::sessionBus());
    }
    notifier_->notify(QString::fromStdString(title), QString::fromStdString(body));
}

void MainWindow::askAttention(int unseen) {
    if (unseen > 0) {
        QApplication::alert(this);
    }
    emit unseenChanged(unseen);
}

}  // namespace varno
