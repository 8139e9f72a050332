#include "history/TrailRows.h"

#include <chrono>

namespace custodia {

namespace {

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

void TrailRows::Append(std::span<const std::string_view> fields)
{
    // The fields lie one after the other in the line they were split from, tabs between them.
    const char* const begin = fields.front().data();
    const char* const end = fields.back().data() + fields.back().size();
    m_starts.push_back(m_text.size());
    m_text.append(begin, static_cast<size_t>(end - begin));
    Keys keys { 0, TrailKeysOf(fields) };
    keys.seconds = TrailSeconds(keys.texts.time);
    m_keys.push_back(std::move(keys));
}

TrailEntry TrailRows::EntryAt(size_t line) const
{
    const size_t start = m_starts[line];
    const size_t end = line + 1 < m_starts.size() ? m_starts[line + 1] : m_text.size();
    std::string_view text = std::string_view(m_text).substr(start, end - start);
    std::vector<std::string_view> fields;
    for (size_t tab = text.find('\t'); tab != std::string_view::npos; tab = text.find('\t')) {
        fields.push_back(text.substr(0, tab));
        text.remove_prefix(tab + 1);
    }
    fields.push_back(text);
    TrailEntry entry = DecodeTrailLine(fields);
    entry.line = line + 1;
    return entry;
}

Result<LoadedTrail> ReadTrailRows(const NativePath& loginPath)
{
    LoadedTrail loaded;
    Result<TrailCheck> check
        = ScanTrailFile(loginPath, [&](const TrailLineView& line) { loaded.rows.Append(line.fields); });
    if (!check)
        return check.Error();
    loaded.check = std::move(check).Value();
    return loaded;
}

} // namespace custodia
