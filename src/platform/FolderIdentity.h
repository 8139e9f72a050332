#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace custodia {

// Which folder a path text names, as the file system sees it. Two texts name the same folder when
// both lead to the same device and inode (another spelling, a link, a trailing separator, a share
// that ignores letter case); when either cannot be looked at (missing, unreachable), only the same
// text, once normalised, names the same folder. Letter case alone never decides: on most of the file
// systems here "Head Office" and "head office" are two folders.
class FolderIdentity final {
public:
    explicit FolderIdentity(const std::string& path);

    bool IsSameFolderAs(const FolderIdentity& other) const;
    const std::string& NormalisedPath() const { return m_normalised; }
    bool Exists() const { return m_node.has_value(); }

private:
    struct Node {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const Node&) const = default;
    };

    std::string m_normalised;
    std::optional<Node> m_node;
};

// The path with repeated separators, "." levels and trailing separators taken out. ".." stays: what it
// leads to depends on the links on the way, which only the file system knows.
std::string NormalisePath(const std::string& path);

// Whether the two texts name the same folder, by the rules of FolderIdentity.
bool IsSameFolder(const std::string& a, const std::string& b);

} // namespace custodia
