#include "bulk/UserImportTableModel.h"

#include "platform/CodePage.h"
#include "ui/WordText.h"

#include <QBrush>

#include <algorithm>

namespace custodia {

namespace {

QString JoinedFields(const std::vector<std::string>& fields)
{
    QStringList texts;
    for (const std::string& field : fields)
        texts.push_back(QString::fromStdString(field));
    return texts.join(QStringLiteral(", "));
}

Word ActionWord(UserImportTableModel::RowKind kind)
{
    switch (kind) {
    case UserImportTableModel::RowKind::Bad:
        return Word::ImportBadAction;
    case UserImportTableModel::RowKind::Add:
        return Word::ImportAddAction;
    case UserImportTableModel::RowKind::Change:
        return Word::ImportChangeAction;
    case UserImportTableModel::RowKind::Delete:
        return Word::ImportDeleteAction;
    case UserImportTableModel::RowKind::Leave:
        break;
    }
    return Word::ImportLeaveAction;
}

} // namespace

UserImportTableModel::UserImportTableModel(const WordTable& words, QObject* parent)
    : QAbstractTableModel(parent)
    , m_words(words)
{
}

void UserImportTableModel::SetPlan(UserImportPlan plan)
{
    beginResetModel();
    m_plan = std::move(plan);
    std::stable_sort(m_plan.problems.begin(), m_plan.problems.end(),
        [](const ImportProblem& a, const ImportProblem& b) { return a.line < b.line; });
    m_rows.clear();
    m_rows.reserve(m_plan.problems.size() + m_plan.adds.size() + m_plan.changes.size() + m_plan.deletes.size()
        + m_plan.leaves.size());
    const auto add = [this](RowKind kind, size_t count) {
        for (size_t index = 0; index < count; ++index)
            m_rows.push_back({ kind, index });
    };
    add(RowKind::Bad, m_plan.problems.size());
    add(RowKind::Add, m_plan.adds.size());
    add(RowKind::Change, m_plan.changes.size());
    add(RowKind::Delete, m_plan.deletes.size());
    add(RowKind::Leave, m_plan.leaves.size());
    endResetModel();
}

UserImportTableModel::RowKind UserImportTableModel::KindAt(int row) const
{
    return m_rows.at(static_cast<size_t>(row)).kind;
}

int UserImportTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int UserImportTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const PlannedUser& UserImportTableModel::PlannedAt(const Row& row) const
{
    switch (row.kind) {
    case RowKind::Add:
        return m_plan.adds[row.index];
    case RowKind::Change:
        return m_plan.changes[row.index];
    case RowKind::Delete:
        return m_plan.deletes[row.index];
    default:
        return m_plan.leaves[row.index];
    }
}

QVariant UserImportTableModel::DisplayText(const Row& row, int column) const
{
    if (column == Action)
        return WordText(m_words, ActionWord(row.kind));
    if (row.kind == RowKind::Bad) {
        const ImportProblem& problem = m_plan.problems[row.index];
        if (column == Line)
            return static_cast<qulonglong>(problem.line);
        if (column == Details)
            return QString::fromStdString(problem.reason);
        return {};
    }
    const PlannedUser& planned = PlannedAt(row);
    switch (column) {
    case Line:
        // A delete comes from no line of the list.
        return planned.line == 0 ? QVariant() : QVariant(static_cast<qulonglong>(planned.line));
    case User:
        return QString::fromStdString(
            StoredToUtf8((row.kind == RowKind::Delete ? planned.before : planned.after).user.userName));
    case Details:
        if (row.kind == RowKind::Add || row.kind == RowKind::Change)
            return JoinedFields(ChangedUserFields(planned));
        if (row.kind == RowKind::Delete)
            return QString::fromStdString(StoredToUtf8(planned.before.user.fullName));
        return {};
    default:
        return {};
    }
}

QVariant UserImportTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == Details))
        return DisplayText(row, index.column());
    if (role == Qt::ForegroundRole && row.kind == RowKind::Bad)
        return QBrush(Qt::darkRed);
    if (role == Qt::TextAlignmentRole && index.column() == Line)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant UserImportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Line:
        return WordText(m_words, Word::ImportLineColumn);
    case Action:
        return WordText(m_words, Word::ImportActionColumn);
    case User:
        return WordText(m_words, Word::ImportUserColumn);
    case Details:
        return WordText(m_words, Word::ImportDetailsColumn);
    default:
        return {};
    }
}

} // namespace custodia
