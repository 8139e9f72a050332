#pragma once

#include "store/AuditTrail.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace custodia {

class WordTable;

// The lines of a login path's trail as a table, newest first. Each line's time is kept as seconds
// since the epoch beside it, so that a range filter over a long trail compares numbers.
class TrailTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Machine, Account, ConsoleUser, Program, Action, Object, Changes, ColumnCount };
    // The line's time as seconds since the epoch (qint64).
    static constexpr int kSecondsRole = Qt::UserRole + 1;

    explicit TrailTableModel(const WordTable& words, QObject* parent = nullptr);

    // The lines as the trail holds them, oldest first.
    void SetEntries(std::vector<TrailEntry> entries);
    const TrailEntry& EntryAt(int row) const;
    long long SecondsAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    size_t EntryIndex(int row) const;

    const WordTable& m_words;
    std::vector<TrailEntry> m_entries;
    std::vector<long long> m_seconds;
};

// The changes of a line for people: "field: before → after", one after the other.
std::string ChangesText(const TrailEntry& entry);

// The seconds since the epoch of a trail time ("2026-12-11T01:46:43Z"); 0 for a text not in that form.
long long TrailSeconds(const std::string& time);

} // namespace custodia
