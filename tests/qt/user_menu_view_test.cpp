#include "moderation/user_menu_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

namespace varno {
namespace {

struct Shown {
    QStringList texts;
    QList<int> ids;
    QList<bool> separators;
    QPoint topLeft;
    int width = 0;
};

// Runs ExecUserMenu and, once the menu is up, records it and lets `act` choose or dismiss.
std::optional<int> RunMenu(const Edition& edition, QPoint pointer, Shown& shown,
                           const std::function<void(QMenu*)>& act) {
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (const QAction* action : menu->actions()) {
            shown.texts << action->text();
            shown.ids << action->data().toInt();
            shown.separators << action->isSeparator();
        }
        shown.topLeft = menu->pos();
        shown.width = menu->width();
        act(menu);
    });
    return ExecUserMenu(edition, pointer, nullptr);
}

void Click(QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == id) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    ADD_FAILURE() << "no entry " << id;
}

TEST(UserMenuView, EntriesAndChoiceInBothEditions) {
    struct Case {
        const Edition& edition;
        QString second;
    };
    for (const Case& c : {Case{Edition::v201(), "Designate"}, Case{Edition::v200(), "Whois"}}) {
        for (int id : {1016, 1014, 1015, 1012, 1011}) {
            Shown shown;
            const auto chosen =
                RunMenu(c.edition, QPoint(400, 200), shown, [id](QMenu* m) { Click(m, id); });
            EXPECT_EQ(chosen, id);
            EXPECT_EQ(shown.texts,
                      QStringList({"Kick User", c.second, "Ban User", "", "Squelch", "Unsquelch"}));
            EXPECT_EQ(shown.ids, QList<int>({1016, 1014, 1015, 2000, 1012, 1011}));
            EXPECT_EQ(shown.separators, QList<bool>({false, false, false, true, false, false}));
            EXPECT_EQ(shown.topLeft, QPoint(400 - shown.width, 200));
        }
    }
}

TEST(UserMenuView, EscapeChoosesNothing) {
    Shown shown;
    const auto chosen = RunMenu(Edition::v201(), QPoint(400, 200), shown,
                                [](QMenu* m) { QTest::keyClick(m, Qt::Key_Escape); });
    EXPECT_EQ(chosen, std::nullopt);
    EXPECT_EQ(shown.ids.size(), 6);
}

}  // namespace
}  // namespace varno
