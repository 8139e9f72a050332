#include "history/TrailTableModel.h"

#include "ui/WordText.h"
#include "words/Word.h"

#include <array>

namespace custodia {

namespace {

constexpr std::array<Word, TrailTableModel::ColumnCount> kColumnWords = { Word::HistoryTimeColumn,
    Word::HistoryMachineColumn, Word::HistoryAccountColumn, Word::HistoryConsoleUserColumn, Word::HistoryProgramColumn,
    Word::HistoryActionColumn, Word::HistoryObjectColumn, Word::HistoryChangesColumn };

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string ChangesText(const TrailEntry& entry)
{
    std::string text;
    for (const TrailChange& change : entry.changes) {
        if (!text.empty())
            text += "; ";
        text += change.field + ": ";
        if (!change.before.empty())
            text += change.before + " \u2192 ";
        text += change.after;
    }
    return text;
}

TrailTableModel::TrailTableModel(const WordTable& words, QObject* parent)
    : QAbstractTableModel(parent)
    , m_words(words)
{
}

void TrailTableModel::SetRows(TrailRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

size_t TrailTableModel::LineOf(int row) const
{
    return m_rows.Count() - 1 - static_cast<size_t>(row);
}

TrailEntry TrailTableModel::EntryAt(int row) const
{
    return m_rows.EntryAt(LineOf(row));
}

const TrailRows::Keys& TrailTableModel::KeysAt(int row) const
{
    return m_rows.KeysAt(LineOf(row));
}

int TrailTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.Count());
}

int TrailTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrailTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == kSecondsRole)
        return QVariant::fromValue<qint64>(SecondsAt(index.row()));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // The columns the filters use are kept decoded; the others decode the line.
    const TrailRows::Keys& keys = KeysAt(index.row());
    switch (index.column()) {
    case Time:
        return Utf8(keys.texts.time);
    case Account:
        return Utf8(keys.texts.account);
    case ConsoleUser:
        return Utf8(keys.texts.consoleUser);
    case Action:
        return Utf8(keys.texts.action);
    case Object:
        return Utf8(keys.texts.object);
    case Machine:
        return Utf8(EntryAt(index.row()).actor.machine);
    case Program:
        return Utf8(EntryAt(index.row()).actor.program);
    case Changes:
        return Utf8(ChangesText(EntryAt(index.row())));
    default:
        return {};
    }
}

QVariant TrailTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return WordText(m_words, kColumnWords[static_cast<size_t>(section)]);
}

} // namespace custodia
