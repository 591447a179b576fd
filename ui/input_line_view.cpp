#include "ui/input_line_view.h"

#include <QKeyEvent>

namespace varno {
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

InputLineView::InputLineView(QWidget* parent) : QLineEdit(parent) {
    // Connected before the window's own handler, which sends the line and clears the box.
    connect(this, &QLineEdit::returnPressed, this, [this] { history_.Sent(Utf8(text())); });
}

bool InputLineView::event(QEvent* event) {
    // Tab completes here; it never moves the focus away from the input line.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            CompleteName();
            return true;
        }
        completion_.Reset();
    }
    return QLineEdit::event(event);
}

void InputLineView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
            if (const auto line = history_.Up(Utf8(text()))) {
                Show(*line);
            }
            break;
        case Qt::Key_Down:
            if (const auto line = history_.Down()) {
                Show(*line);
            }
            break;
        case Qt::Key_Escape:
            history_.Reset();
            clear();
            break;
        default:
            QLineEdit::keyPressEvent(event);
            return;
    }
    event->accept();
}

void InputLineView::CompleteName() {
    if (!names_) {
        return;
    }
    const QString shown = text();
    const InputText input{Utf8(shown),
                          static_cast<std::size_t>(shown.left(cursorPosition()).toUtf8().size())};
    if (const auto done = completion_.Tab(input, names_())) {
        setText(QString::fromStdString(done->text));
        setCursorPosition(static_cast<int>(
            QString::fromUtf8(done->text.data(), static_cast<qsizetype>(done->cursor)).size()));
    }
}

void InputLineView::Show(const std::string& text) {
    setText(QString::fromStdString(text));
    setCursorPosition(static_cast<int>(this->text().size()));
}

}  // namespace varno
