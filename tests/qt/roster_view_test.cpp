#include "channel/roster_view.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>

namespace varno {
namespace {

QString Shown(const RosterModel& model, int row, int role = Qt::DisplayRole) {
    return model.data(model.index(row, 0), role).toString();
}

TEST(RosterModel, FollowsTheRosterChangeByChange) {
    Roster roster;
    RosterModel model(roster);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);

    roster.append({"Bob", 6});
    roster.append({"Bj\xF6rn", 0});
    roster.insert(1, {"<b>x</b>", 13});
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted.at(2).at(1).toInt(), 1);
    EXPECT_EQ(inserted.at(2).at(2).toInt(), 1);
    EXPECT_EQ(Shown(model, 0), "Bob");
    EXPECT_EQ(Shown(model, 1), "<b>x</b>");
    EXPECT_EQ(Shown(model, 2), QString::fromUtf8("Bj\xC3\xB6rn"));
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(2, 0), Qt::DecorationRole).isNull());
    EXPECT_EQ(
        model.data(model.index(0, 0), Qt::DecorationRole).value<QPixmap>().deviceIndependentSize(),
        QSizeF(28, 14));

    roster.removeAt(0);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(Shown(model, 0), "<b>x</b>");

    roster.append({"tab\tbell\x07", 0});
    EXPECT_EQ(Shown(model, 2), QString::fromUtf8("tab\xE2\x90\x89"
                                                 "bell\xE2\x90\x87"))
        << "control characters show as their symbols, as in the logs";
    roster.removeAt(2);

    roster.setHeader("Op \xE9t\xE9");
    EXPECT_EQ(header.count(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QString::fromUtf8("Op \xC3\xA9t\xC3\xA9"));

    roster.clear();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DisplayRole).isValid());
}

struct ShownRoster {
    ShownRoster() {
        for (const char* name : {"Ann", "Bob", "Bj\xF6rn"}) {
            roster.append({name, 2});
        }
        view.resize(200, 300);
        view.setInputLine([this] { return input; }, [this](const std::string& s) { input = s; });
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QPoint centreOf(int row) { return view.visualRect(view.rosterModel().index(row, 0)).center(); }

    Roster roster;
    RosterView view{roster};
    std::string input = "hi ";
};

TEST(RosterView, DoubleClickAppendsTheSelectedNameAsShown) {
    ShownRoster r;
    const QPoint empty(10, r.view.viewport()->height() - 5);
    ASSERT_FALSE(r.view.entryAt(empty).has_value());
    QTest::mouseDClick(r.view.viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(r.input, "hi ");
    EXPECT_FALSE(r.view.selectedName().has_value());

    QTest::mouseDClick(r.view.viewport(), Qt::LeftButton, {}, r.centreOf(2));
    EXPECT_EQ(r.input, "hi Bj\xC3\xB6rn");
    r.view.select(0);
    r.view.Lusers_DblClick();
    EXPECT_EQ(r.input, "hi Bj\xC3\xB6rnAnn");
}

TEST(RosterView, SelectionAndHitTestFollowTheRoster) {
    ShownRoster r;
    EXPECT_EQ(r.view.entryAt(r.centreOf(1)), 1);
    EXPECT_EQ(r.view.header()->isHidden(), false);

    r.view.select(1);
    EXPECT_EQ(r.view.selectedName(), "Bob");
    r.roster.removeAt(0);
    EXPECT_EQ(r.view.selectedName(), "Bob");
    r.roster.removeAt(0);
    EXPECT_FALSE(r.view.selectedName().has_value());

    r.view.select(0);
    r.roster.clear();
    EXPECT_FALSE(r.view.selectedName().has_value());
    r.view.select(5);
    EXPECT_FALSE(r.view.selectedName().has_value());
}

TEST(RosterView, OutlivesItsRoster) {
    auto roster = std::make_unique<Roster>();
    roster->append({"Bob", 6});
    roster->setHeader("Lobby");
    RosterView view(*roster);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.select(0);

    roster.reset();
    EXPECT_EQ(view.rosterModel().rowCount(), 0);
    EXPECT_FALSE(view.selectedName().has_value());
    EXPECT_FALSE(view.rosterModel().headerData(0, Qt::Horizontal, Qt::DisplayRole).isValid());
    view.repaint();
    view.hide();
}

}  // namespace
}  // namespace varno
