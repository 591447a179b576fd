#pragma once

#include <QLineEdit>
#include <functional>
#include <string>
#include <vector>

#include "ui/input_history.h"
#include "ui/name_completion.h"

namespace varno {

// txtSend: the one-line box where the operator types. Up and Down walk the lines sent from
// it, Tab completes a name from the user list, Escape clears it; none of them sends
// anything. Enter is left to the window, which sends the line.
class InputLineView : public QLineEdit {
    Q_OBJECT
public:
    explicit InputLineView(QWidget* parent = nullptr);

    // Where Tab reads the user list's names from, as the list shows them (UTF-8).
    void setNames(std::function<std::vector<std::string>()> names) { names_ = std::move(names); }

    const InputHistory& history() const { return history_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CompleteName();
    void Show(const std::string& text);

    InputHistory history_;
    NameCompletion completion_;
    std::function<std::vector<std::string>()> names_;
};

}  // namespace varno
