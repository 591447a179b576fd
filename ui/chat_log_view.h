#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUrl>
#include <functional>

#include "log/chat_log.h"

namespace varno {

// Shows a ChatLog: each run appended at the end in its colour, as plain text, on black.
// Old text is never laid out again, so appending stays cheap however long the log is. The
// text is in the document at once, but the runs appended in one turn of the event loop are
// laid out and scrolled into view together at its end, so a flood is not laid out run by
// run. Web addresses in users' texts are underlined in their run's colour and open in the
// desktop's browser on a click; a line that names the operator is shown on its own
// background colour.
class ChatLogView : public QPlainTextEdit, private ChatLogListener {
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit ChatLogView(ChatLog& log, QWidget* parent = nullptr);
    ~ChatLogView() override;

    // What a click on a link calls; the desktop's browser unless replaced.
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }
    // Asked at each run whether links are shown; they are unless this says otherwise.
    void setShowLinks(std::function<bool()> showLinks) { showLinks_ = std::move(showLinks); }
    // The address a link at this point of the viewport opens; empty off a link.
    QString linkAt(const QPoint& viewportPos) const;

    // Find: marks every match of text (letter case ignored) and returns how many there are;
    // an empty text clears the marks. The matches follow the log as it grows or is cleared.
    int findAll(const QString& text);
    int matchCount() const { return static_cast<int>(matches_.size()); }
    // Shows match i (0 .. matchCount() - 1) as the current one and keeps it in view, or no
    // current match for -1. While one is shown, new lines do not scroll it away.
    void showMatch(int i);

signals:
    // The matches were marked again: the text looked for changed, or the log did.
    void matchesChanged();
    // Lines came: told once for all the runs appended in one turn of the event loop.
    void linesArrived();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onAppended(const Run& run) override;
    void onCleared() override;
    void endBatch();
    void markMatches();

    ChatLog& log_;
    bool endPending_ = false;  // the last run ended its line; the next starts a new block
    bool lineStart_ = true;    // the next run starts a line
    bool batchOpen_ = false;   // an edit block is open until the event loop's next turn
    UrlOpener openUrl_;
    std::function<bool()> showLinks_;
    QString pressedLink_;
    QString findText_;
    // While something is looked for, the document's text as toPlainText() would give it,
    // kept as it grows: find searches it without walking the document.
    QString plain_;
    bool mirrored_ = false;
    QList<int> matches_;                      // document positions of the matches, in order
    QList<QTextEdit::ExtraSelection> marks_;  // one per match, in order
    int current_ = -1;
};

}  // namespace varno
