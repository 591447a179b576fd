#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "ui/chat_log_view.h"

namespace varno {

// The find bar under the logs: typing marks every match in the logs it searches (letter
// case ignored), Enter or F3 goes to the next match, Shift+Enter or Shift+F3 to the previous
// one, both wrapping round from the last log's end to the first log's start, and Escape
// closes the bar. The matches are gone through log by log, in the order the logs were given.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(QList<ChatLogView*> logs, QWidget* parent = nullptr);

    // Shows the bar with its text selected, ready to type.
    void open();
    void dismiss();
    void next() { step(+1); }
    void previous() { step(-1); }

    QLineEdit* input() const { return input_; }
    QLabel* count() const { return count_; }
    // The current match: which log and which of its matches; -1, -1 for none.
    QPair<int, int> current() const { return {log_, match_}; }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search();
    void step(int direction);
    void showCount();

    QList<QPointer<ChatLogView>> logs_;
    QLineEdit* input_;
    QLabel* count_;
    int log_ = -1;
    int match_ = -1;
};

}  // namespace varno
