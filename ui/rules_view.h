#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <vector>

#include "ui/rules_page.h"

namespace varno {

// The Rules page of the Moderation window: a box for each key with its explanation under
// it, and Apply.
class RulesView : public QWidget {
    Q_OBJECT
public:
    explicit RulesView(Client& client, QWidget* parent = nullptr);

    void Apply();

private:
    // The boxes as the page holds the values.
    void Fill();
    void ChooseFolder(QLineEdit* box);

    // The boxes of one key, those its kind has.
    struct Boxes {
        QSpinBox* number = nullptr;  // a rate's count, or a number
        QSpinBox* seconds = nullptr;
        QCheckBox* on = nullptr;
        QLineEdit* folder = nullptr;
        QString folderShown;  // as filled, to keep untouched bytes
    };

    Client& client_;
    RulesPage page_;
    std::vector<Boxes> boxes_;  // in the order of RuleKeys()
    QLabel* status_ = nullptr;
};

}  // namespace varno
