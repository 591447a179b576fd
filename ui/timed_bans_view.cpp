#include "ui/timed_bans_view.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "log/display_text_qtcore.h"

namespace varno {
TimedBansView::TimedBansView(Client& client, QWidget* parent) : QWidget(parent), page_(client) {
    note_ = new QLabel(this);
    note_->setObjectName("note");
    note_->setWordWrap(true);
    bans_ = new QTreeWidget(this);
    bans_->setObjectName("timedBans");
    bans_->setColumnCount(2);
    bans_->setHeaderLabels({"Name", "Time left"});
    bans_->setRootIsDecorated(false);
    bans_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    bans_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lift_ = new QPushButton("Lift now", this);
    lift_->setObjectName("liftNow");
    lift_->setEnabled(false);
    answer_ = new QLabel(this);
    answer_->setObjectName("answer");
    answer_->setWordWrap(true);
    answer_->setTextFormat(Qt::PlainText);

    auto* column = new QVBoxLayout(this);
    column->addWidget(note_);
    column->addWidget(bans_);
    column->addWidget(lift_, 0, Qt::AlignLeft);
    column->addWidget(answer_);
    connect(lift_, &QPushButton::clicked, this, &TimedBansView::LiftSelected);
    connect(bans_, &QTreeWidget::itemSelectionChanged, this,
            [this] { lift_->setEnabled(!bans_->selectedItems().isEmpty()); });
    Refresh();
}

void TimedBansView::Refresh() {
    const std::string note = page_.Note();
    note_->setText(Shown(note));
    note_->setVisible(!note.empty());
    std::vector<TimedBansPage::Row> rows = page_.Rows();
    const bool sameNames = std::equal(
        rows.begin(), rows.end(), shown_.begin(), shown_.end(),
        [](const TimedBansPage::Row& a, const TimedBansPage::Row& b) { return a.name == b.name; });
    if (sameNames) {
        // Only the times move: the rows, and what is selected, stay.
        for (std::size_t i = 0; i < rows.size(); ++i) {
            bans_->topLevelItem(static_cast<int>(i))->setText(1, Shown(rows[i].left));
        }
    } else {
        QSet<QString> selected;
        for (const QTreeWidgetItem* item : bans_->selectedItems()) {
            selected.insert(item->text(0));
        }
        bans_->clear();
        for (const TimedBansPage::Row& row : rows) {
            auto* item = new QTreeWidgetItem(bans_, {Shown(row.name), Shown(row.left)});
            item->setSelected(selected.contains(item->text(0)));
        }
    }
    shown_ = std::move(rows);
}

void TimedBansView::LiftSelected() {
    std::string answers;
    for (int i = 0; i < bans_->topLevelItemCount(); ++i) {
        if (bans_->topLevelItem(i)->isSelected() && static_cast<std::size_t>(i) < shown_.size()) {
            answers += (answers.empty() ? "" : "\n") +
                       page_.Lift(shown_[static_cast<std::size_t>(i)].name);
        }
    }
    answer_->setText(Shown(answers));
    Refresh();
}

}  // namespace varno
