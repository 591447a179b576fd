#include "channel/roster_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <algorithm>

#include "log/display_text.h"

namespace varno {

namespace {

QString ShownText(const std::string& bytes) {
    return QString::fromStdString(VisibleText(bytes));
}

int Row(std::size_t pos) {
    return static_cast<int>(pos);
}

}  // namespace

RosterModel::RosterModel(Roster& roster, QObject* parent)
    : QAbstractListModel(parent), roster_(&roster) {
    roster_->setListener(this);
}

RosterModel::~RosterModel() {
    if (roster_ != nullptr) {
        roster_->setListener(nullptr);
    }
}

int RosterModel::rowCount(const QModelIndex& parent) const {
    return (parent.isValid() || roster_ == nullptr) ? 0 : Row(roster_->size());
}

QVariant RosterModel::data(const QModelIndex& index, int role) const {
    if (roster_ == nullptr || !index.isValid() || index.parent().isValid() || index.column() != 0 ||
        index.row() < 0 || static_cast<std::size_t>(index.row()) >= roster_->size()) {
        return {};
    }
    const RosterEntry& entry = roster_->at(static_cast<std::size_t>(index.row()));
    switch (role) {
        case Qt::DisplayRole:
            return ShownText(entry.text);
        case Qt::DecorationRole: {
            const QPixmap& image = icons_.at(entry.icon);
            return image.isNull() ? QVariant() : QVariant(image);
        }
        default:
            return {};
    }
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (roster_ == nullptr || section != 0 || orientation != Qt::Horizontal ||
        role != Qt::DisplayRole) {
        return {};
    }
    return ShownText(roster_->header());
}

void RosterModel::onAboutToInsert(std::size_t pos) {
    beginInsertRows(QModelIndex(), Row(pos), Row(pos));
}

void RosterModel::onInserted(std::size_t) {
    endInsertRows();
}

void RosterModel::onAboutToRemove(std::size_t pos) {
    beginRemoveRows(QModelIndex(), Row(pos), Row(pos));
}

void RosterModel::onRemoved(std::size_t) {
    endRemoveRows();
}

void RosterModel::onAboutToClear() {
    beginResetModel();
}

void RosterModel::onCleared() {
    endResetModel();
}

void RosterModel::onHeaderChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void RosterModel::onRosterDestroyed() {
    beginResetModel();
    roster_ = nullptr;
    endResetModel();
}

RosterView::RosterView(Roster& roster, QWidget* parent) : QTreeView(parent), model_(roster, this) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setHeaderHidden(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(RosterIcons::kSize);

    QPalette colours = palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        colours.setColor(role, Qt::black);
    }
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        colours.setColor(role, Qt::white);
    }
    setPalette(colours);
    header()->setPalette(colours);
}

std::optional<std::string> RosterView::selectedName() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    const int row = rows.first().row();
    const Roster* roster = model_.roster();
    if (roster == nullptr || row < 0 || static_cast<std::size_t>(row) >= roster->size()) {
        return std::nullopt;
    }
    return roster->at(static_cast<std::size_t>(row)).text;
}

std::optional<int> RosterView::entryAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        return std::nullopt;
    }
    return index.row();
}

void RosterView::select(int row) {
    const QModelIndex index = model_.index(row, 0);
    if (!index.isValid()) {
        return;
    }
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void RosterView::setInputLine(std::function<std::string()> read,
                              std::function<void(const std::string&)> write) {
    readInput_ = std::move(read);
    writeInput_ = std::move(write);
}

void RosterView::Lusers_DblClick() {
    const std::optional<std::string> name = selectedName();
    if (!name || !readInput_ || !writeInput_) {
        return;
    }
    writeInput_(AppendSelectedName(readInput_(), *name));
}

void RosterView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    Lusers_DblClick();
}

void RosterView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    const auto goes = [&](const QModelIndex& index) {
        return index.isValid() && index.parent() == parent && index.row() >= start &&
               index.row() <= end;
    };
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (goes(currentIndex()) || std::any_of(selected.begin(), selected.end(), goes)) {
        selectionModel()->clear();
    }
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

}  // namespace varno
