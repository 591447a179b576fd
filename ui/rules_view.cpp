#include "ui/rules_view.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "client/client.h"
#include "log/display_text_qtcore.h"
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
    boxes_.resize(RuleKeys().size());
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const RuleKey& rule = RuleKeys()[i];
        Boxes& b = boxes_[i];
        const QString key = Text(rule.key);
        grid->addWidget(new QLabel(key, this), row, 0);
        auto* boxes = new QHBoxLayout;
        switch (rule.kind) {
            case RuleKey::Kind::Rate:
                b.number = NumberBox(key + "Count", rule.largest, "", this);
                b.seconds = NumberBox(key + "Seconds", static_cast<std::uint64_t>(kRateSecondsMax),
                                      " s", this);
                b.number->setSpecialValueText("off");
                b.seconds->setSpecialValueText("off");
                boxes->addWidget(b.number);
                boxes->addWidget(new QLabel("in", this));
                boxes->addWidget(b.seconds);
                break;
            case RuleKey::Kind::Number:
                b.number = NumberBox(key, rule.largest, rule.unit, this);
                boxes->addWidget(b.number);
                break;
            case RuleKey::Kind::Switch:
                b.on = new QCheckBox("On", this);
                b.on->setObjectName(key);
                boxes->addWidget(b.on);
                break;
            case RuleKey::Kind::Folder: {
                b.folder = new QLineEdit(this);
                b.folder->setObjectName(key);
                auto* choose = new QPushButton("Choose...", this);
                choose->setObjectName(key + "Choose");
                connect(choose, &QPushButton::clicked, this,
                        [this, box = b.folder] { ChooseFolder(box); });
                boxes->addWidget(b.folder, 1);
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
    status_->setText(Shown(told));
    Fill();
}

void RulesView::Fill() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const std::string_view key = RuleKeys()[i].key;
        Boxes& b = boxes_[i];
        switch (RuleKeys()[i].kind) {
            case RuleKey::Kind::Rate: {
                const auto [count, seconds] = page_.rate(key);
                b.number->setValue(static_cast<int>(count));
                b.seconds->setValue(static_cast<int>(seconds));
                break;
            }
            case RuleKey::Kind::Number:
                b.number->setValue(static_cast<int>(page_.number(key)));
                break;
            case RuleKey::Kind::Switch:
                b.on->setChecked(page_.number(key) != 0);
                break;
            case RuleKey::Kind::Folder:
                b.folderShown = Shown(page_.value(key));
                b.folder->setText(b.folderShown);
                break;
        }
    }
}

void RulesView::ChooseFolder(QLineEdit* box) {
    QString start = box->text();
    if (QDir::isRelativePath(start)) {
        start = QDir(QString::fromStdString(client_.appFolder())).filePath(start);
    }
    const QString chosen = QFileDialog::getExistingDirectory(this, "Log folder", start);
    if (!chosen.isEmpty()) {
        box->setText(chosen);
    }
}

void RulesView::Apply() {
    std::string wrong;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const std::string_view key = RuleKeys()[i].key;
        const Boxes& b = boxes_[i];
        std::string problem;
        switch (RuleKeys()[i].kind) {
            case RuleKey::Kind::Rate:
                problem = page_.SetRate(key, Number(b.number), Number(b.seconds));
                break;
            case RuleKey::Kind::Number:
                problem = page_.Set(key, Number(b.number));
                break;
            case RuleKey::Kind::Switch:
                problem = page_.Set(key, b.on->isChecked() ? "1" : "0");
                break;
            case RuleKey::Kind::Folder:
                // A box left alone keeps the file's bytes; typed text is UTF-8.
                if (b.folder->text() != b.folderShown) {
                    problem = page_.Set(key, b.folder->text().toStdString());
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
    status_->setText(Shown(page_.Apply(client_)));
    Fill();
}

}  // namespace varno
