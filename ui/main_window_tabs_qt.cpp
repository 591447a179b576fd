#include <QApplication>
#include <QInputDialog>
#include <QVBoxLayout>

#include "client/client.h"
#include "ui/desktop_notifier_qt.h"
#include "ui/main_window.h"
#include "ui/profile_view.h"

// The window's profiles: a view and a tab for each open one, and the File menu's profile
// entries.
namespace varno {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

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
    OpenView(list_->profiles()[*made.index]);  // asks for its settings, as a first start does
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
    view->setParent(this);  // out of the tab bar's client area, which may go at once
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
            OpenView(all[i]);
            return;
        }
    }
}
void MainWindow::OpenView(const Profile& profile) {
    ProfileView& view = AddView(profile.name, FromUtf8(profile.folder));
    view.Form_Load();
    if (edition_.layoutSnapshot) {
        view.setMinimumSize(0, 0);
        view.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    tabs_.Show(TabOf(&view));
    ShowTabBar();
}

}  // namespace varno
