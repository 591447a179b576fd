#pragma once

#include <QPlainTextEdit>

#include "log/chat_log.h"

namespace varno {

// Shows a ChatLog: each run appended at the end in its colour, as plain text, on black.
// Old text is never laid out again, so appending stays cheap however long the log is. The
// text is in the document at once, but the runs appended in one turn of the event loop are
// laid out and scrolled into view together at its end, so a flood is not laid out run by
// run.
class ChatLogView : public QPlainTextEdit, private ChatLogListener {
    Q_OBJECT
public:
    explicit ChatLogView(ChatLog& log, QWidget* parent = nullptr);
    ~ChatLogView() override;

private:
    void onAppended(const Run& run) override;
    void onCleared() override;
    void endBatch();

    ChatLog& log_;
    bool endPending_ = false;  // the last run ended its line; the next starts a new block
    bool batchOpen_ = false;   // an edit block is open until the event loop's next turn
};

}  // namespace varno
