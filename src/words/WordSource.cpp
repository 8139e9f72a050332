#include "words/WordSource.h"

#include <charconv>
#include <set>

namespace custodia {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string LineError(const std::string& sourceName, int lineNumber, const std::string& what)
{
    return sourceName + ":" + std::to_string(lineNumber) + ": " + what;
}

} // namespace

WordSource::WordSource(int base, int count)
    : m_base(base)
    , m_count(count)
{
}

bool WordSource::Read(const std::string& text, const std::string& sourceName, std::string& error)
{
    std::set<int> seen;
    size_t start = 0;
    for (int lineNumber = 1; start < text.size(); ++lineNumber) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;

        int number = 0;
        const auto [numberEnd, status] = std::from_chars(line.data(), line.data() + line.size(), number);
        if (status != std::errc() || numberEnd == line.data()) {
            error = LineError(sourceName, lineNumber, "a word line starts with its number");
            return false;
        }
        size_t textStart = static_cast<size_t>(numberEnd - line.data());
        if (textStart == line.size() || !IsBlank(line[textStart])) {
            error = LineError(sourceName, lineNumber, "the number is followed by a space and the text");
            return false;
        }
        while (textStart < line.size() && IsBlank(line[textStart]))
            ++textStart;
        if (textStart == line.size()) {
            error = LineError(sourceName, lineNumber, "word " + std::to_string(number) + " has no text");
            return false;
        }
        if (number < m_base || number - m_base >= m_count) {
            error = LineError(sourceName, lineNumber,
                "word " + std::to_string(number) + " is outside " + std::to_string(m_base) + ".."
                    + std::to_string(m_base + m_count - 1));
            return false;
        }
        if (!seen.insert(number).second) {
            error = LineError(sourceName, lineNumber, "word " + std::to_string(number) + " is given twice");
            return false;
        }
        m_words[number] = line.substr(textStart);
    }
    return true;
}

} // namespace custodia
