#pragma once

#include "store/UserImportPlan.h"

#include <QAbstractTableModel>

#include <vector>

namespace custodia {

class WordTable;

// What an import would do, one row per user it touches and per bad line: bad lines first, then the
// adds, changes, deletes and the users it leaves. The rows point into the plan; texts are made only for
// the rows a view asks for, so that a list of thousands shows at once. Passwords are never shown: a
// change names the password as a field, never its value.
class UserImportTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Line, Action, User, Details, ColumnCount };
    enum class RowKind { Bad, Add, Change, Delete, Leave };

    explicit UserImportTableModel(const WordTable& words, QObject* parent = nullptr);

    void SetPlan(UserImportPlan plan);
    const UserImportPlan& Plan() const { return m_plan; }
    RowKind KindAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        RowKind kind;
        size_t index; // into the plan's list of that kind
    };
    const PlannedUser& PlannedAt(const Row& row) const;
    QVariant DisplayText(const Row& row, int column) const;

    const WordTable& m_words;
    UserImportPlan m_plan;
    std::vector<Row> m_rows;
};

} // namespace custodia
