#include "ui/chat_log_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "log/display_text.h"

namespace varno {
namespace {

// What a run shows: its text as VisibleText, with the line break at its end taken off (the
// view starts a new block instead).
QString Visible(std::string_view text, bool& endsLine) {
    endsLine = text.ends_with("\r\n");
    if (endsLine) {
        text.remove_suffix(2);
    }
    return QString::fromStdString(VisibleText(text));
}

}  // namespace

ChatLogView::ChatLogView(ChatLog& log, QWidget* parent) : QPlainTextEdit(parent), log_(log) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    setPalette(p);
    for (const Run& run : log_.runs()) {
        onAppended(run);
    }
    log_.setListener(this);
}

ChatLogView::~ChatLogView() {
    log_.setListener(nullptr);
    endBatch();
}

void ChatLogView::onAppended(const Run& run) {
    bool endsLine = false;
    const QString text = Visible(run.text, endsLine);
    QTextCursor cursor(document());
    if (!batchOpen_) {
        cursor.beginEditBlock();
        batchOpen_ = true;
        QMetaObject::invokeMethod(this, &ChatLogView::endBatch, Qt::QueuedConnection);
    }
    cursor.movePosition(QTextCursor::End);
    if (endPending_) {
        cursor.insertBlock();
        endPending_ = false;
    }
    QTextCharFormat format;
    format.setForeground(QColor::fromRgb(run.colour));
    cursor.insertText(text, format);
    endPending_ = endsLine;
}

void ChatLogView::endBatch() {
    if (!batchOpen_) {
        return;
    }
    batchOpen_ = false;
    QTextCursor(document()).endEditBlock();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void ChatLogView::onCleared() {
    endBatch();
    clear();
    endPending_ = false;
}

}  // namespace varno
