#include "connection/options_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "log/display_text_qtcore.h"

namespace varno {

OptionsDialog::OptionsDialog(std::vector<OptionField> fields, OkHandler onOk, QWidget* parent)
    : QDialog(parent), fields_(std::move(fields)), onOk_(std::move(onOk)) {
    setWindowTitle("Varno Options");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const OptionField& f : fields_) {
        auto* label = new QLabel(QString::fromUtf8(f.label.data(), f.label.size()), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName("txt" + QString::fromUtf8(f.key.data(), f.key.size()));
        const QString shown = Shown(f.value);
        edit->setText(shown);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        boxes_.push_back(edit);
        shown_.push_back(shown);
        ++row;
    }
    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("Command1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Command2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 220);
    connect(ok, &QPushButton::clicked, this, &OptionsDialog::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

QLineEdit* OptionsDialog::box(std::string_view key) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].key == key) {
            return boxes_[i];
        }
    }
    return nullptr;
}

void OptionsDialog::Command1_Click() {
    std::vector<OptionField> values = fields_;
    for (std::size_t i = 0; i < values.size(); ++i) {
        // A box the operator left alone keeps the file's bytes exactly; typed text is UTF-8.
        if (boxes_[i]->text() != shown_[i]) {
            values[i].value = boxes_[i]->text().toStdString();
        }
    }
    onOk_(values);
    close();
}

}  // namespace varno
