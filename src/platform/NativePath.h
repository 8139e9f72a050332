#pragma once

#include <string>
#include <utility>

namespace custodia {

// A file or folder name as the platform spells it: its own bytes (UTF-8 on the machines we know),
// never the suite's code page that the stored texts use. Kept apart from plain strings so that the
// edges that turn text into something people read cannot take a path for a stored text or the other
// way round. The core's file calls take it as the string it is.
class NativePath final {
public:
    NativePath() = default;
    explicit NativePath(std::string bytes)
        : m_bytes(std::move(bytes))
    {
    }

    const std::string& Bytes() const { return m_bytes; }
    operator const std::string&() const { return m_bytes; }
    bool IsEmpty() const { return m_bytes.empty(); }

    bool operator==(const NativePath&) const = default;

private:
    std::string m_bytes;
};

} // namespace custodia
