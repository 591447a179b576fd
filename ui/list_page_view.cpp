#include "ui/list_page_view.h"

#include <QGridLayout>
#include <QKeyEvent>

#include "log/display_text_qtcore.h"

namespace varno {
namespace {

std::string BytesOf(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

ListPageView::ListPageView(Client& client, ListKind kind, QWidget* parent)
    : QWidget(parent), page_(client, kind) {
    const bool bans = kind == ListKind::Ban;
    patterns_ = new QListWidget(this);
    patterns_->setObjectName("patterns");
    patterns_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addBox_ = new QLineEdit(this);
    addBox_->setObjectName("addBox");
    addBox_->setPlaceholderText(bans ? "A name pattern, such as spam*"
                                     : "A word pattern, such as *spam*");
    auto* add = new QPushButton("Add", this);
    add->setObjectName("add");
    remove_ = new QPushButton("Remove", this);
    remove_->setObjectName("remove");
    remove_->setEnabled(false);
    testBox_ = new QLineEdit(this);
    testBox_->setObjectName("testBox");
    testBox_->setPlaceholderText(bans ? "A name" : "A line");
    auto* test = new QPushButton(bans ? "Test a name" : "Test a line", this);
    test->setObjectName("test");
    testAnswer_ = new QLabel(this);
    testAnswer_->setObjectName("testAnswer");
    testAnswer_->setWordWrap(true);
    testAnswer_->setTextFormat(Qt::PlainText);
    answer_ = new QLabel(this);
    answer_->setObjectName("answer");
    answer_->setWordWrap(true);
    answer_->setTextFormat(Qt::PlainText);
    count_ = new QLabel(this);
    count_->setObjectName("count");

    auto* grid = new QGridLayout(this);
    grid->addWidget(patterns_, 0, 0, 1, 3);
    grid->addWidget(addBox_, 1, 0);
    grid->addWidget(add, 1, 1);
    grid->addWidget(remove_, 1, 2);
    grid->addWidget(answer_, 2, 0, 1, 3);
    grid->addWidget(testBox_, 3, 0);
    grid->addWidget(test, 3, 1, 1, 2);
    grid->addWidget(testAnswer_, 4, 0, 1, 3);
    grid->addWidget(count_, 5, 0, 1, 3);

    connect(addBox_, &QLineEdit::returnPressed, this, &ListPageView::Add);
    connect(add, &QPushButton::clicked, this, &ListPageView::Add);
    connect(remove_, &QPushButton::clicked, this, &ListPageView::Remove);
    connect(testBox_, &QLineEdit::returnPressed, this, &ListPageView::Test);
    connect(test, &QPushButton::clicked, this, &ListPageView::Test);
    connect(patterns_, &QListWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!patterns_->selectedItems().isEmpty()); });
    Fill();
}

// The list passes on the Delete key, which it has no use for (the boxes keep theirs).
void ListPageView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Delete)) {
        Remove();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ListPageView::Refresh() {
    if (page_.Refresh()) {
        Fill();
    }
}

// The list again, with the patterns that were selected still selected.
void ListPageView::Fill() {
    QSet<QString> selected;
    for (const QListWidgetItem* item : patterns_->selectedItems()) {
        selected.insert(item->text());
    }
    patterns_->clear();
    for (const std::string& pattern : page_.patterns()) {
        auto* item = new QListWidgetItem(Shown(pattern), patterns_);
        item->setSelected(selected.contains(item->text()));
    }
    count_->setText(QString::fromStdString(page_.CountText()));
}

void ListPageView::Add() {
    Answer(page_.Add(BytesOf(addBox_)));
    addBox_->clear();
    Fill();
}

void ListPageView::Remove() {
    std::vector<std::string> chosen;
    for (int row = 0; row < patterns_->count(); ++row) {
        if (patterns_->item(row)->isSelected()) {
            chosen.push_back(page_.patterns().at(static_cast<std::size_t>(row)));
        }
    }
    if (!chosen.empty()) {
        Answer(page_.Remove(chosen));
        Fill();
    }
}

void ListPageView::Test() {
    testAnswer_->setText(Shown(page_.Test(BytesOf(testBox_))));
}

void ListPageView::Answer(const std::string& text) {
    answer_->setText(Shown(text));
}

}  // namespace varno
