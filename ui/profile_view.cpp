#include "ui/profile_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "channel/roster_view.h"
#include "client/client.h"
#include "client/client_host_qtcore.h"
#include "log/display_text_qtcore.h"
#include "moderation/user_menu_view.h"
#include "ui/chat_log_view.h"
#include "ui/find_bar_view.h"
#include "ui/layout.h"
#include "ui/proportional_layout_qt.h"

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

ProfileView::ProfileView(const Edition& edition, const QString& folder, QWidget* parent)
    : QWidget(parent), edition_(edition) {
    host_ = std::make_unique<ClientHost>(edition_, folder.toStdString(),
                                         static_cast<WindowPort&>(*this));
    BuildControls();
    BuildFindBar();
    client().attention().setPort(this);
}

Client& ProfileView::client() {
    return host_->client();
}

ProfileView::~ProfileView() {
    // The socket goes first, so that no event of it reaches a half-destroyed view; then the
    // views, which read the client's models, before the client itself.
    Shut();
    client().attention().setPort(nullptr);
    delete options_;
    delete moderation_;
    lusers_->viewport()->removeEventFilter(this);
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void ProfileView::Shut() {
    client().StopScripts();
    host_->Stop();
}

void ProfileView::BuildControls() {
    WhiteOnBlack(this);
    setStyleSheet(
        "QPlainTextEdit, QLineEdit, QTreeView { border: 1px solid #505050; background: black;"
        " color: white; }");
    setFixedSize(TwipsToPixels(edition_.clientWidth), TwipsToPixels(edition_.clientHeight));

    rtbc_ = new ChatLogView(client().logs().main(), this);
    rtbc_->setObjectName("rtbc");
    rtbc_->setFont(FontOf("Tahoma", 9));
    rtbc_->setShowLinks([this] { return client().showsLinks(); });
    connect(rtbc_, &ChatLogView::linesArrived, this, &ProfileView::linesArrived);
    if (edition_.whisperLog) {
        rtbc2_ = new ChatLogView(client().logs().whisper(), this);
        rtbc2_->setObjectName("rtbc2");
        rtbc2_->setFont(FontOf("Tahoma", 9));
        rtbc2_->setShowLinks([this] { return client().showsLinks(); });
        connect(rtbc2_, &ChatLogView::linesArrived, this, &ProfileView::linesArrived);
    }
    txtSend_ = new InputLineView(this);
    txtSend_->setObjectName("txtSend");
    txtSend_->setFont(FontOf("Tahoma", 9));
    WhiteOnBlack(txtSend_);
    connect(txtSend_, &QLineEdit::returnPressed, this, [this] {
        const QByteArray typed = txtSend_->text().toUtf8();
        client().txtSend_Enter(std::string_view(typed.constData(), typed.size()));
        txtSend_->clear();
    });
    if (edition_.clearButton) {
        command1_ = new QPushButton("Clear", this);
        command1_->setObjectName("Command1");
        command1_->setToolTip("Clears Both Screens");
        connect(command1_, &QPushButton::clicked, this, [this] { client().Command1_Click(); });
    }
    label1_ = new QLabel("<Disconnected>", this);
    label1_->setObjectName("Label1");
    label1_->setTextFormat(Qt::PlainText);
    label1_->setFont(FontOf("Tahoma", 8.25));
    WhiteOnBlack(label1_);
    lusers_ = new RosterView(client().roster(), this);
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
    text1_ = new QLineEdit("Uptime", this);
    text1_->setObjectName("Text1");
    text1_->setReadOnly(true);
    text1_->setFont(FontOf("Verdana", 9, true));
    WhiteOnBlack(text1_);
    lbluptime_ = new QLabel(this);
    lbluptime_->setObjectName("lbluptime");
    lbluptime_->setTextFormat(Qt::PlainText);
    lbluptime_->setFont(FontOf("Verdana", 9));
    WhiteOnBlack(lbluptime_);

    for (const ControlPlace& c : edition_.controls) {
        if (auto* w = findChild<QWidget*>(QString::fromUtf8(c.name.data(), c.name.size()),
                                          Qt::FindDirectChildrenOnly)) {
            w->setGeometry(TwipsToPixels(c.left), TwipsToPixels(c.top), TwipsToPixels(c.width),
                           TwipsToPixels(c.height));
        }
    }
}

void ProfileView::BuildFindBar() {
    QList<ChatLogView*> logs{rtbc_};
    if (rtbc2_ != nullptr) {
        logs.append(rtbc2_);
    }
    findBar_ = new FindBar(logs, this);
    WhiteOnBlack(findBar_);
    connect(findBar_, &FindBar::closed, txtSend_, [this] { txtSend_->setFocus(); });
}

void ProfileView::OpenFind() {
    if (client().hasFindBar()) {
        PlaceFindBar();
        findBar_->open();
    }
}

void ProfileView::FindStep(bool back) {
    if (!client().hasFindBar()) {
        return;
    }
    if (!findBar_->isVisible()) {
        PlaceFindBar();
        findBar_->open();
    }
    back ? findBar_->previous() : findBar_->next();
}

// The bar lies over the foot of the lowest log, as wide as the logs.
void ProfileView::PlaceFindBar() {
    const QWidget* lowest = rtbc2_ != nullptr ? rtbc2_ : rtbc_;
    const int height = findBar_->sizeHint().height();
    const QRect log = lowest->geometry();
    findBar_->setGeometry(log.left(), log.bottom() + 1 - height, log.width(), height);
}

void ProfileView::Form_Load() {
    client().Form_Load();
    moderationMenu_ = SwitchedOn(client().settings().Moderation);
    if (client().awaitingSettings()) {
        // Once the window is shown, so that the dialog comes up in front of it.
        QTimer::singleShot(0, this, &ProfileView::mnuOptions_Click);
    }
}

void ProfileView::mnuOptions_Click() {
    if (options_) {
        options_->raise();
        options_->activateWindow();
        return;
    }
    options_ = new OptionsDialog(
        client().Form2_Load(),
        [this](const std::vector<OptionField>& fields) { client().Form2_Ok(fields); }, this);
    options_->setWindowFlag(Qt::Window);
    options_->setWindowTitle(Titled(options_->windowTitle()));
    options_->show();
}

void ProfileView::mnuModeration_Click() {
    if (!moderation_) {
        moderation_ = new ModerationWindow(client(), this);
        moderation_->setWindowTitle(Titled(moderation_->windowTitle()));
        // Beside the main window where the screen has room, so the channel stays in view;
        // else over its middle.
        const QRect main = window()->frameGeometry();
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

void ProfileView::CloseWindows() {
    if (options_) {
        options_->close();
    }
    if (moderation_) {
        moderation_->close();
    }
}

void ProfileView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout_) {
        layout_->relayout(size());
    }
    PlaceFindBar();
}

bool ProfileView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lusers_->viewport() && event->type() == QEvent::MouseButtonPress &&
        Lusers_MouseDown(static_cast<QMouseEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool ProfileView::Lusers_MouseDown(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        return false;
    }
    const auto entry = lusers_->entryAt(event->position().toPoint());
    if (!entry) {
        return true;
    }
    lusers_->select(*entry);
    const std::string name = client().roster().at(static_cast<std::size_t>(*entry)).text;
    // The menu runs an event loop of its own, in which this profile may be closed.
    const QPointer<ProfileView> alive(this);
    const auto id = ExecUserMenu(edition_, event->globalPosition().toPoint(), this);
    if (id && alive) {
        client().UserMenuChoice(*id, name);
    }
    return true;
}

void ProfileView::setCaption(std::string_view caption) {
    caption_ = Shown(caption);
    emit captionChanged();
}

void ProfileView::setChannelLabel(std::string_view text) {
    channel_ = text;
    label1_->setText(Shown(text));
    emit channelChanged();
}

void ProfileView::setUptime(std::string_view text) {
    lbluptime_->setText(Shown(text));
}

void ProfileView::takeLayoutSnapshot() {
    layout_ = std::make_unique<ProportionalLayout>();
    QList<QWidget*> controls;
    for (const ControlPlace& c : edition_.controls) {
        if (auto* w = findChild<QWidget*>(QString::fromUtf8(c.name.data(), c.name.size()),
                                          Qt::FindDirectChildrenOnly)) {
            controls.push_back(w);
        }
    }
    layout_->takeSnapshot(this, controls);
}

void ProfileView::beep() {
    QApplication::beep();
}

bool ProfileView::windowActive() const {
    const QWidget* frame = window();
    return isVisible() && !frame->isMinimized() && frame->isActiveWindow();
}

void ProfileView::notify(const std::string& title, const std::string& body) {
    emit notified(QString::fromStdString(title), QString::fromStdString(body));
}

void ProfileView::askAttention(int unseen) {
    emit unseenChanged(unseen);
}

}  // namespace varno
