#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <vector>

#include "client/client.h"

namespace varno {

// The Scripts page of the Moderation window: each script of the Scripts folder with its
// state (running, or off with its error), and Reload, which loads every one afresh.
class ScriptsView : public QWidget {
    Q_OBJECT
public:
    explicit ScriptsView(Client& client, QWidget* parent = nullptr);

    // The rows as of now (once a second); unchanged rows are left alone.
    void Refresh();

private:
    Client& client_;
    std::vector<ScriptHost::Status> shown_;
    QLabel* note_ = nullptr;
    QTreeWidget* scripts_ = nullptr;
    QPushButton* reload_ = nullptr;
};

}  // namespace varno
