#pragma once

#include <QPlainTextEdit>

#include "ui/chat_log.h"

namespace varno {

// Shows a ChatLog: each run appended at the end in its colour, as plain text, on black.
// Old text is never laid out again, so appending stays cheap however long the log is.
class ChatLogView : public QPlainTextEdit, private ChatLogListener {
    Q_OBJECT
public:
    explicit ChatLogView(ChatLog& log, QWidget* parent = nullptr);
    ~ChatLogView() override;

private:
    void onAppended(const Run& run) override;
    void onCleared() override;

    ChatLog& log_;
    bool endPending_ = false;  // the last run ended its line; the next starts a new block
};

}  // namespace varno
