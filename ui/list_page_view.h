#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "ui/list_page.h"

namespace varno {

// A list page of the Moderation window: the patterns, Add, Remove and the test box.
class ListPageView : public QWidget {
    Q_OBJECT
public:
    ListPageView(Client& client, ListKind kind, QWidget* parent = nullptr);

    // Shows the list again if the program's changed (once a second, and after each change).
    void Refresh();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill();
    void Add();
    void Remove();
    void Test();
    void Answer(const std::string& text);

    ListPage page_;
    QListWidget* patterns_ = nullptr;
    QLineEdit* addBox_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLineEdit* testBox_ = nullptr;
    QLabel* testAnswer_ = nullptr;
    QLabel* answer_ = nullptr;
    QLabel* count_ = nullptr;
};

}  // namespace varno
