#pragma once

#include "history/TrailRows.h"
#include "store/AuditTrail.h"

#include <QAbstractTableModel>

#include <string>

namespace custodia {

class WordTable;

// The lines of a login path's trail as a table, newest first. A line is decoded only when a cell of
// it is shown; what the filters compare (the time as seconds since the epoch, the users, the action
// and the object) is kept decoded beside it.
class TrailTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Machine, Account, ConsoleUser, Program, Action, Object, Changes, ColumnCount };
    // The line's time as seconds since the epoch (qint64).
    static constexpr int kSecondsRole = Qt::UserRole + 1;

    explicit TrailTableModel(const WordTable& words, QObject* parent = nullptr);

    // The lines as the trail holds them, oldest first.
    void SetRows(TrailRows rows);
    TrailEntry EntryAt(int row) const;
    const TrailRows::Keys& KeysAt(int row) const;
    long long SecondsAt(int row) const { return KeysAt(row).seconds; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    size_t LineOf(int row) const;

    const WordTable& m_words;
    TrailRows m_rows;
};

// The changes of a line for people: "field: before → after", one after the other.
std::string ChangesText(const TrailEntry& entry);

} // namespace custodia
