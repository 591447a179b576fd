#include "moderation/user_menu_view.h"

#include <QAction>
#include <QMenu>
#include <QString>

#include "moderation/user_menu.h"

namespace varno {

std::optional<int> ExecUserMenu(const Edition& edition, QPoint globalPointer, QWidget* parent) {
    QMenu menu(parent);
    for (const MenuEntry& entry : BuildUserMenu(edition)) {
        QAction* action =
            entry.separator
                ? menu.addSeparator()
                : menu.addAction(
                      QString::fromStdString(entry.text).replace('&', QStringLiteral("&&")));
        action->setData(entry.id);
    }
    const Point topLeft =
        MenuTopLeft({globalPointer.x(), globalPointer.y()}, menu.sizeHint().width());
    const QAction* chosen = menu.exec(QPoint(topLeft.x, topLeft.y));
    if (chosen == nullptr) {
        return std::nullopt;
    }
    return chosen->data().toInt();
}

}  // namespace varno
