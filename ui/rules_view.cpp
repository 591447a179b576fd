#include "ui/rules_view.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "client/client.h"
#include "log/display_text.h"
#include "moderation/rate_limit.h"

namespace varno {
namespace {

QString Text(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QSpinBox* NumberBox(const QString& name, std::uint64_t largest, std::string_view unit,
                    QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, static_cast<int>(largest));
    box->setSuffix(Text(unit));
    return box;
}

std::string Number(const QSpinBox* box) {
    return std::to_string(box->value());
}

}  // namespace

RulesView::RulesView(Client& client, QWidget* parent)
    : QWidget(parent), client_(client), page_(client.iniPath()) {
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const RuleKey& rule : RuleKeys()) {
        const QString key = Text(rule.key);
        grid->addWidget(new QLabel(key, this), row, 0);
        auto* boxes = new QHBoxLayout;
        switch (rule.kind) {
            case RuleKey::Kind::Rate:
                counts_[rule.key] = NumberBox(key + "Count", rule.largest, "", this);
                seconds_[rule.key] = NumberBox(
                    key + "Seconds", static_cast<std::uint64_t>(kRateSecondsMax), " s", this);
                counts_[rule.key]->setSpecialValueText("off");
                seconds_[rule.key]->setSpecialValueText("off");
                boxes->addWidget(counts_[rule.key]);
                boxes->addWidget(new QLabel("in", this));
                boxes->addWidget(seconds_[rule.key]);
                break;
            case RuleKey::Kind::Number:
                counts_[rule.key] = NumberBox(key, rule.largest, rule.unit, this);
                boxes->addWidget(counts_[rule.key]);
                break;
            case RuleKey::Kind::Switch:
                switches_[rule.key] = new QCheckBox("On", this);
                switches_[rule.key]->setObjectName(key);
                boxes->addWidget(switches_[rule.key]);
                break;
            case RuleKey::Kind::Folder: {
                folders_[rule.key] = new QLineEdit(this);
                folders_[rule.key]->setObjectName(key);
                auto* choose = new QPushButton("Choose...", this);
                choose->setObjectName(key + "Choose");
                connect(choose, &QPushButton::clicked, this, [this, &rule] { ChooseFolder(rule); });
                boxes->addWidget(folders_[rule.key], 1);
                boxes->addWidget(choose);
                break;
            }
        }
        boxes->addStretch();
        grid->addLayout(boxes, row, 1);
        auto* explanation = new QLabel(Text(rule.explanation), this);
        explanation->setWordWrap(true);
        explanation->setEnabled(false);  // drawn in the muted colour of the style
        grid->addWidget(explanation, row + 1, 1);
        row += 2;
    }
    auto* apply = new QPushButton("Apply", this);
    apply->setObjectName("apply");
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    grid->addWidget(apply, row, 0);
    grid->addWidget(status_, row, 1);
    grid->setRowStretch(row + 1, 1);
    connect(apply, &QPushButton::clicked, this, &RulesView::Apply);

    std::string told;
    for (const std::string& line : page_.Load()) {
        told += (told.empty() ? "" : "\n") + line;
    }
    status_->setText(QString::fromStdString(DisplayText(told)));
    Fill();
}

void RulesView::Fill() {
    for (const RuleKey& rule : RuleKeys()) {
        switch (rule.kind) {
            case RuleKey::Kind::Rate: {
                const auto [count, seconds] = page_.rate(rule.key);
                counts_[rule.key]->setValue(static_cast<int>(count));
                seconds_[rule.key]->setValue(static_cast<int>(seconds));
                break;
            }
            case RuleKey::Kind::Number:
                counts_[rule.key]->setValue(static_cast<int>(page_.number(rule.key)));
                break;
            case RuleKey::Kind::Switch:
                switches_[rule.key]->setChecked(page_.number(rule.key) != 0);
                break;
            case RuleKey::Kind::Folder:
                folderShown_[rule.key] = QString::fromStdString(DisplayText(page_.value(rule.key)));
                folders_[rule.key]->setText(folderShown_[rule.key]);
                break;
        }
    }
}

void RulesView::ChooseFolder(const RuleKey& rule) {
    QString start = folders_[rule.key]->text();
    if (QDir::isRelativePath(start)) {
        start = QDir(QString::fromStdString(client_.appFolder())).filePath(start);
    }
    const QString chosen = QFileDialog::getExistingDirectory(this, "Log folder", start);
    if (!chosen.isEmpty()) {
        folders_[rule.key]->setText(chosen);
    }
}

void RulesView::Apply() {
    std::string wrong;
    for (const RuleKey& rule : RuleKeys()) {
        std::string problem;
        switch (rule.kind) {
            case RuleKey::Kind::Rate:
                problem =
                    page_.SetRate(rule.key, Number(counts_[rule.key]), Number(seconds_[rule.key]));
                break;
            case RuleKey::Kind::Number:
                problem = page_.Set(rule.key, Number(counts_[rule.key]));
                break;
            case RuleKey::Kind::Switch:
                problem = page_.Set(rule.key, switches_[rule.key]->isChecked() ? "1" : "0");
                break;
            case RuleKey::Kind::Folder:
                // A box left alone keeps the file's bytes; typed text is UTF-8.
                if (folders_[rule.key]->text() != folderShown_[rule.key]) {
                    problem = page_.Set(rule.key, folders_[rule.key]->text().toStdString());
                }
                break;
        }
        if (!problem.empty()) {
            wrong += (wrong.empty() ? "" : "\n") + problem;
        }
    }
    if (!wrong.empty()) {
        status_->setText(QString::fromStdString(wrong));
        return;
    }
    status_->setText(QString::fromStdString(DisplayText(page_.Apply(client_))));
    Fill();
}

}  // namespace varno
