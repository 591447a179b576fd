#include "ui/scripts_view.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "log/display_text_qtcore.h"

namespace varno {

ScriptsView::ScriptsView(Client& client, QWidget* parent) : QWidget(parent), client_(client) {
    note_ = new QLabel(this);
    note_->setObjectName("note");
    note_->setWordWrap(true);
    note_->setTextFormat(Qt::PlainText);
    scripts_ = new QTreeWidget(this);
    scripts_->setObjectName("scripts");
    scripts_->setColumnCount(2);
    scripts_->setHeaderLabels({"Script", "State"});
    scripts_->setRootIsDecorated(false);
    scripts_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    reload_ = new QPushButton("Reload", this);
    reload_->setObjectName("reload");

    auto* column = new QVBoxLayout(this);
    column->addWidget(note_);
    column->addWidget(scripts_);
    column->addWidget(reload_, 0, Qt::AlignLeft);
    connect(reload_, &QPushButton::clicked, this, [this] {
        client_.ReloadScripts(true);
        Refresh();
    });
    Refresh();
}

void ScriptsView::Refresh() {
    const std::string folder = client_.scriptsFolder();
    note_->setText(folder.empty() ? QString("No scripts: the Scripts key of Varno.ini names none.")
                                  : "Scripts in " + Shown(folder));
    std::vector<ScriptHost::Status> rows = client_.scripts().status();
    const auto same = [](const ScriptHost::Status& a, const ScriptHost::Status& b) {
        return a.name == b.name && a.running == b.running && a.error == b.error;
    };
    if (std::equal(rows.begin(), rows.end(), shown_.begin(), shown_.end(), same)) {
        return;
    }
    scripts_->clear();
    for (const ScriptHost::Status& row : rows) {
        const std::string state = row.running ? "running" : "off: " + row.error;
        auto* item = new QTreeWidgetItem(scripts_, {Shown(row.name), Shown(state)});
        item->setToolTip(1, Shown(state));
    }
    shown_ = std::move(rows);
}

}  // namespace varno
