#pragma once

#include <QTabWidget>
#include <QTimer>
#include <QWidget>

namespace varno {

class Client;
class ListPageView;
class RulesView;
class ScriptsView;
class TimedBansView;

// "Varno Moderation": the ban list, the banned words, the timed bans and the rules in one
// window beside the main one. Opening and reading it sends nothing; the lists and the
// timed bans follow the program's state once a second.
class ModerationWindow : public QWidget {
    Q_OBJECT
public:
    explicit ModerationWindow(Client& client, QWidget* parent = nullptr);

    QTabWidget* pages() const { return pages_; }

private:
    void Tick();

    QTabWidget* pages_ = nullptr;
    ListPageView* banList_ = nullptr;
    ListPageView* badWords_ = nullptr;
    TimedBansView* timedBans_ = nullptr;
    ScriptsView* scripts_ = nullptr;
    QTimer tick_;
};

}  // namespace varno
