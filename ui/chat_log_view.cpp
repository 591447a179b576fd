#include "ui/chat_log_view.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <utility>

#include "log/display_text.h"
#include "log/links.h"

namespace varno {
namespace {

constexpr QRgb kMatchBackground = 0x505000;
constexpr QRgb kCurrentMatchBackground = 0xC06000;

QString FromUtf8(const std::string& text, std::size_t from, std::size_t to) {
    return QString::fromUtf8(text.data() + from, static_cast<qsizetype>(to - from));
}

// The view opens only the schemes the log finds.
void OpenInBrowser(const QUrl& url) {
    if (url.isValid() && (url.scheme() == "http" || url.scheme() == "https")) {
        QDesktopServices::openUrl(url);
    }
}

}  // namespace

ChatLogView::ChatLogView(ChatLog& log, QWidget* parent)
    : QPlainTextEdit(parent), log_(log), openUrl_(OpenInBrowser) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    viewport()->setMouseTracking(true);
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
    blockSignals(true);  // whoever listens may be going away too
    endBatch();
}

void ChatLogView::onAppended(const Run& run) {
    std::string_view raw = run.text;
    const bool endsLine = raw.ends_with("\r\n");
    if (endsLine) {
        raw.remove_suffix(2);  // the view starts a new block instead
    }
    std::size_t linksFrom = run.linksFrom;
    const std::string text = VisibleText(raw, linksFrom);

    QTextCursor cursor(document());
    if (!batchOpen_) {
        cursor.beginEditBlock();
        batchOpen_ = true;
        QMetaObject::invokeMethod(this, &ChatLogView::endBatch, Qt::QueuedConnection);
    }
    cursor.movePosition(QTextCursor::End);
    if (lineStart_) {
        // Every line sets its own block format, so a highlight never carries over.
        QTextBlockFormat line;
        if (run.mention) {
            line.setBackground(QColor::fromRgb(colour::kMention));
        }
        if (endPending_) {
            cursor.insertBlock(line);
            if (mirrored_) {
                plain_ += u'\n';
            }
        } else {
            cursor.setBlockFormat(line);
        }
        endPending_ = false;
    }
    const auto insert = [&](const QString& piece, const QTextCharFormat& format) {
        cursor.insertText(piece, format);
        if (mirrored_) {
            plain_ += piece;
        }
    };
    QTextCharFormat plain;
    plain.setForeground(QColor::fromRgb(run.colour));
    std::size_t at = 0;
    if (linksFrom < text.size() && (!showLinks_ || showLinks_())) {
        const std::string_view userText = std::string_view(text).substr(linksFrom);
        for (const LinkSpan& link : FindLinks(userText)) {
            const std::size_t begin = linksFrom + link.begin;
            insert(FromUtf8(text, at, begin), plain);
            QTextCharFormat linked = plain;
            linked.setFontUnderline(true);
            linked.setAnchor(true);
            linked.setAnchorHref(QString::fromStdString(link.url));
            insert(FromUtf8(text, begin, linksFrom + link.end), linked);
            at = linksFrom + link.end;
        }
    }
    insert(FromUtf8(text, at, text.size()), plain);
    endPending_ = endsLine;
    lineStart_ = endsLine;
}

void ChatLogView::endBatch() {
    if (!batchOpen_) {
        return;
    }
    batchOpen_ = false;
    QTextCursor(document()).endEditBlock();
    if (!findText_.isEmpty()) {
        markMatches();
    }
    if (current_ < 0) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    emit linesArrived();
}

void ChatLogView::onCleared() {
    endBatch();
    clear();
    plain_.clear();
    endPending_ = false;
    lineStart_ = true;
    matches_.clear();
    marks_.clear();
    current_ = -1;
    setExtraSelections({});
}

QString ChatLogView::linkAt(const QPoint& viewportPos) const {
    const QTextBlock block = cursorForPosition(viewportPos).block();
    const QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
    if (layout == nullptr) {
        return {};
    }
    const QPointF inLayout = QPointF(viewportPos) -
                             blockBoundingGeometry(block).translated(contentOffset()).topLeft() -
                             layout->position();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        if (!line.rect().contains(inLayout) || inLayout.x() >= line.x() + line.naturalTextWidth()) {
            continue;
        }
        const int position =
            block.position() + line.xToCursor(inLayout.x(), QTextLine::CursorOnCharacter);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().contains(position)) {
                return it.fragment().charFormat().anchorHref();
            }
        }
    }
    return {};
}

void ChatLogView::mousePressEvent(QMouseEvent* event) {
    pressedLink_ = event->button() == Qt::LeftButton ? linkAt(event->position().toPoint()) : "";
    QPlainTextEdit::mousePressEvent(event);
}

void ChatLogView::mouseMoveEvent(QMouseEvent* event) {
    viewport()->setCursor(linkAt(event->position().toPoint()).isEmpty() ? Qt::IBeamCursor
                                                                        : Qt::PointingHandCursor);
    QPlainTextEdit::mouseMoveEvent(event);
}

void ChatLogView::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    // A press and release on the same link is a click; a drag that selected text is not.
    const QString link = std::exchange(pressedLink_, QString());
    if (event->button() == Qt::LeftButton && !link.isEmpty() && !textCursor().hasSelection() &&
        linkAt(event->position().toPoint()) == link) {
        openUrl_(QUrl(link, QUrl::StrictMode));
    }
}

int ChatLogView::findAll(const QString& text) {
    findText_ = text;
    current_ = -1;
    // The text is kept beside the document only while something is looked for: a flood
    // with the find bar closed pays nothing for it.
    if (findText_.isEmpty()) {
        plain_.clear();
        mirrored_ = false;
    } else if (!mirrored_) {
        plain_ = document()->toPlainText();
        mirrored_ = true;
    }
    markMatches();
    return matchCount();
}

void ChatLogView::markMatches() {
    matches_.clear();
    marks_.clear();
    if (!findText_.isEmpty()) {
        for (qsizetype at = plain_.indexOf(findText_, 0, Qt::CaseInsensitive); at >= 0;
             at = plain_.indexOf(findText_, at + findText_.size(), Qt::CaseInsensitive)) {
            matches_.push_back(static_cast<int>(at));
        }
    }
    if (current_ >= matchCount()) {
        current_ = -1;
    }
    marks_.reserve(matches_.size());
    for (int i = 0; i < matchCount(); ++i) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(matches_[i]);
        mark.cursor.setPosition(matches_[i] + static_cast<int>(findText_.size()),
                                QTextCursor::KeepAnchor);
        mark.format.setBackground(
            QColor::fromRgb(i == current_ ? kCurrentMatchBackground : kMatchBackground));
        marks_.push_back(mark);
    }
    setExtraSelections(marks_);
    emit matchesChanged();
}

void ChatLogView::showMatch(int i) {
    // The matches stand where they stood: only the current one's colour moves.
    const int before = current_;
    current_ = i >= 0 && i < matchCount() ? i : -1;
    for (const int changed : {before, current_}) {
        if (changed >= 0 && changed < marks_.size()) {
            marks_[changed].format.setBackground(
                QColor::fromRgb(changed == current_ ? kCurrentMatchBackground : kMatchBackground));
        }
    }
    setExtraSelections(marks_);
    if (current_ >= 0) {
        QTextCursor at(document());
        at.setPosition(matches_[current_]);
        setTextCursor(at);
        ensureCursorVisible();
    }
}

}  // namespace varno
