#pragma once

#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <vector>

#include "connection/options.h"

namespace varno {

// Form2, "Varno Options": one labelled box per setting, Ok and Cancel. Modeless.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    using OkHandler = std::function<void(const std::vector<OptionField>&)>;

    OptionsDialog(std::vector<OptionField> fields, OkHandler onOk, QWidget* parent = nullptr);

    QLineEdit* box(std::string_view key) const;

private:
    void Command1_Click();  // Ok

    std::vector<OptionField> fields_;
    std::vector<QString> shown_;  // each box's text as filled, to keep untouched bytes
    std::vector<QLineEdit*> boxes_;
    OkHandler onOk_;
};

}  // namespace varno
