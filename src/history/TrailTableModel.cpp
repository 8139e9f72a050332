#include "history/TrailTableModel.h"

#include "ui/WordText.h"
#include "words/Word.h"

#include <array>
#include <chrono>

namespace custodia {

namespace {

constexpr std::array<Word, TrailTableModel::ColumnCount> kColumnWords = { Word::HistoryTimeColumn,
    Word::HistoryMachineColumn, Word::HistoryAccountColumn, Word::HistoryConsoleUserColumn, Word::HistoryProgramColumn,
    Word::HistoryActionColumn, Word::HistoryObjectColumn, Word::HistoryChangesColumn };

// "YYYY-MM-DDTHH:MM:SSZ": the digits at each of these offsets.
constexpr size_t kTimeLength = 20;

bool ReadNumber(const std::string& text, size_t offset, size_t digits, int& value)
{
    value = 0;
    for (size_t i = offset; i < offset + digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

long long TrailSeconds(const std::string& time)
{
    if (time.size() != kTimeLength || time[4] != '-' || time[7] != '-' || time[10] != 'T' || time[13] != ':'
        || time[16] != ':' || time[19] != 'Z')
        return 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(time, 0, 4, year) || !ReadNumber(time, 5, 2, month) || !ReadNumber(time, 8, 2, day)
        || !ReadNumber(time, 11, 2, hour) || !ReadNumber(time, 14, 2, minute) || !ReadNumber(time, 17, 2, second))
        return 0;
    const std::chrono::year_month_day date { std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
        std::chrono::day(static_cast<unsigned>(day)) };
    if (!date.ok())
        return 0;
    const long long days = std::chrono::sys_days(date).time_since_epoch().count();
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

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

void TrailTableModel::SetEntries(std::vector<TrailEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_seconds.clear();
    m_seconds.reserve(m_entries.size());
    for (const TrailEntry& entry : m_entries)
        m_seconds.push_back(TrailSeconds(entry.time));
    endResetModel();
}

size_t TrailTableModel::EntryIndex(int row) const
{
    return m_entries.size() - 1 - static_cast<size_t>(row);
}

const TrailEntry& TrailTableModel::EntryAt(int row) const
{
    return m_entries[EntryIndex(row)];
}

long long TrailTableModel::SecondsAt(int row) const
{
    return m_seconds[EntryIndex(row)];
}

int TrailTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
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
    const TrailEntry& entry = EntryAt(index.row());
    switch (index.column()) {
    case Time:
        return Utf8(entry.time);
    case Machine:
        return Utf8(entry.actor.machine);
    case Account:
        return Utf8(entry.actor.account);
    case ConsoleUser:
        return Utf8(entry.actor.consoleUser);
    case Program:
        return Utf8(entry.actor.program);
    case Action:
        return Utf8(entry.action);
    case Object:
        return Utf8(entry.object);
    case Changes:
        return Utf8(ChangesText(entry));
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
