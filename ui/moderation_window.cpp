#include "ui/moderation_window.h"

#include <QVBoxLayout>

#include "ui/list_page_view.h"
#include "ui/rules_view.h"
#include "ui/scripts_view.h"
#include "ui/timed_bans_view.h"
#include "ui/window_icon_qt.h"

namespace varno {

ModerationWindow::ModerationWindow(Client& client, QWidget* parent) : QWidget(parent) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Varno Moderation");
    setWindowIcon(WindowIcon());
    pages_ = new QTabWidget(this);
    banList_ = new ListPageView(client, ListKind::Ban, pages_);
    banList_->setObjectName("banListPage");
    badWords_ = new ListPageView(client, ListKind::Words, pages_);
    badWords_->setObjectName("badWordsPage");
    timedBans_ = new TimedBansView(client, pages_);
    timedBans_->setObjectName("timedBansPage");
    auto* rules = new RulesView(client, pages_);
    rules->setObjectName("rulesPage");
    pages_->addTab(banList_, "Ban list");
    pages_->addTab(badWords_, "Banned words");
    pages_->addTab(timedBans_, "Timed bans");
    scripts_ = new ScriptsView(client, pages_);
    scripts_->setObjectName("scriptsPage");
    pages_->addTab(rules, "Rules");
    pages_->addTab(scripts_, "Scripts");
    (new QVBoxLayout(this))->addWidget(pages_);
    resize(640, 640);

    connect(&tick_, &QTimer::timeout, this, &ModerationWindow::Tick);
    tick_.start(1000);
}

void ModerationWindow::Tick() {
    banList_->Refresh();
    badWords_->Refresh();
    timedBans_->Refresh();
    scripts_->Refresh();
}

}  // namespace varno
