#pragma once

#include <QAbstractListModel>
#include <QTreeView>
#include <functional>
#include <optional>
#include <string>

#include "channel/icons_qt.h"
#include "channel/roster.h"

namespace varno {

// The roster as a one-column list model: the name as display text, the icon as decoration
// and the channel name as the column header. It follows the roster change by change.
class RosterModel : public QAbstractListModel, private RosterListener {
    Q_OBJECT
public:
    explicit RosterModel(Roster& roster, QObject* parent = nullptr);
    ~RosterModel() override;

    // The roster shown; nullptr once it has been destroyed (the model is then empty).
    const Roster* roster() const { return roster_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void onAboutToInsert(std::size_t pos) override;
    void onInserted(std::size_t pos) override;
    void onAboutToRemove(std::size_t pos) override;
    void onRemoved(std::size_t pos) override;
    void onAboutToClear() override;
    void onCleared() override;
    void onHeaderChanged() override;
    void onRosterDestroyed() override;

    Roster* roster_;
    RosterIcons icons_;
};

// The user list beside the chat log: white names with their icons on black, under a header
// with the channel name. At most one entry is selected.
class RosterView : public QTreeView {
    Q_OBJECT
public:
    explicit RosterView(Roster& roster, QWidget* parent = nullptr);

    RosterModel& rosterModel() { return model_; }

    // The selected entry's name as the server sent it; nothing when no entry is selected.
    std::optional<std::string> selectedName() const;
    // The entry under a point of the viewport; nothing over empty space.
    std::optional<int> entryAt(const QPoint& viewportPos) const;
    // Makes the entry at row the only selected entry.
    void select(int row);

    // Where the double-click reads and writes the input line's text, as UTF-8.
    void setInputLine(std::function<std::string()> read,
                      std::function<void(const std::string&)> write);

    // The input line's text becomes itself followed directly by the selected name.
    void Lusers_DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // When the selected entry goes, nothing is selected: no other user is picked for the
    // operator.
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    RosterModel model_;
    std::function<std::string()> readInput_;
    std::function<void(const std::string&)> writeInput_;
};

}  // namespace varno
