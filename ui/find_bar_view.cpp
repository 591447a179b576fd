#include "ui/find_bar_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace varno {

FindBar::FindBar(QList<ChatLogView*> logs, QWidget* parent)
    : QWidget(parent), input_(new QLineEdit(this)), count_(new QLabel(this)) {
    for (ChatLogView* log : logs) {
        logs_.append(log);
        connect(log, &ChatLogView::matchesChanged, this, &FindBar::showCount);
    }
    setObjectName("findBar");
    input_->setObjectName("findText");
    input_->setPlaceholderText("Find");
    input_->installEventFilter(this);
    count_->setTextFormat(Qt::PlainText);
    count_->setObjectName("findCount");
    count_->setAlignment(Qt::AlignCenter);
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance("No matches") * 3 / 2);
    count_->setStyleSheet("color: white");
    auto* closeButton = new QPushButton("Close", this);
    closeButton->setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(input_, 1);
    row->addWidget(count_);
    row->addWidget(closeButton);
    connect(input_, &QLineEdit::textChanged, this, &FindBar::search);
    connect(closeButton, &QPushButton::clicked, this, &FindBar::dismiss);
    hide();
}

void FindBar::open() {
    show();
    raise();
    input_->setFocus();
    input_->selectAll();
    search();
}

void FindBar::dismiss() {
    for (ChatLogView* log : logs_) {
        if (log != nullptr) {
            log->findAll(QString());
        }
    }
    log_ = match_ = -1;
    hide();
    emit closed();
}

void FindBar::search() {
    log_ = match_ = -1;
    for (ChatLogView* log : logs_) {
        if (log != nullptr) {
            log->findAll(input_->text());
        }
    }
    showCount();
}

void FindBar::step(int direction) {
    const int logs = static_cast<int>(logs_.size());
    auto matchesIn = [this](int i) { return logs_[i] != nullptr ? logs_[i]->matchCount() : 0; };
    int total = 0;
    for (int i = 0; i < logs; ++i) {
        total += matchesIn(i);
    }
    if (total == 0) {
        showCount();
        return;
    }
    // The matches of all logs in a row: the current one's place in it, moved and wrapped.
    int place = -1;
    if (log_ >= 0 && match_ >= 0 && match_ < matchesIn(log_)) {
        place = match_;
        for (int i = 0; i < log_; ++i) {
            place += matchesIn(i);
        }
    }
    place = place < 0 ? (direction > 0 ? 0 : total - 1) : (place + direction + total) % total;
    for (int i = 0; i < logs; ++i) {
        if (place < matchesIn(i)) {
            if (log_ >= 0 && log_ != i && logs_[log_] != nullptr) {
                logs_[log_]->showMatch(-1);
            }
            log_ = i;
            match_ = place;
            logs_[i]->showMatch(place);
            break;
        }
        place -= matchesIn(i);
    }
    showCount();
}

void FindBar::showCount() {
    int total = 0;
    for (ChatLogView* log : logs_) {
        total += log != nullptr ? log->matchCount() : 0;
    }
    if (input_->text().isEmpty()) {
        count_->clear();
    } else if (total == 0) {
        count_->setText("No matches");
    } else {
        count_->setText(QString("%1 %2").arg(total).arg(total == 1 ? "match" : "matches"));
    }
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool back = key->modifiers().testFlag(Qt::ShiftModifier);
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F3:
                step(back ? -1 : +1);
                return true;
            case Qt::Key_Escape:
                dismiss();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace varno
