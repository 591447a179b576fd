#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <map>

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
    void ChooseFolder(const RuleKey& rule);

    Client& client_;
    RulesPage page_;
    std::map<std::string_view, QSpinBox*> counts_;  // a rate's count, or a number
    std::map<std::string_view, QSpinBox*> seconds_;
    std::map<std::string_view, QCheckBox*> switches_;
    std::map<std::string_view, QLineEdit*> folders_;
    std::map<std::string_view, QString> folderShown_;  // to keep untouched bytes
    QLabel* status_ = nullptr;
};

}  // namespace varno
