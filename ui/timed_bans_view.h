#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "ui/timed_bans_page.h"

namespace varno {

// The Timed bans page of the Moderation window: each pending ban with its time left, and
// Lift now for the selected ones.
class TimedBansView : public QWidget {
    Q_OBJECT
public:
    explicit TimedBansView(Client& client, QWidget* parent = nullptr);

    // The rows and their times as of now (once a second).
    void Refresh();

private:
    void LiftSelected();

    TimedBansPage page_;
    std::vector<TimedBansPage::Row> shown_;
    QLabel* note_ = nullptr;
    QTreeWidget* bans_ = nullptr;
    QPushButton* lift_ = nullptr;
    QLabel* answer_ = nullptr;
};

}  // namespace varno
