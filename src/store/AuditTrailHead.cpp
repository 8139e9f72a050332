#include "store/AuditTrailHead.h"

#include "platform/FieldEscape.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace custodia {

namespace {

struct RememberedHead {
    std::string hash;
    std::string loginPath;
};

std::string AbsoluteFolder(const char* value)
{
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string HeadsFile()
{
    const std::string folder = TrailStateFolder([](const char* name) { return std::getenv(name); });
    return folder.empty() ? std::string() : folder + "/" + audittrail::kHeadsFileName;
}

// The same login path reached by another spelling ("./P", "P/") is the same trail.
std::string KeyOf(const NativePath& loginPath)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(loginPath.Bytes(), error);
    return error ? loginPath.Bytes() : canonical.string();
}

std::vector<RememberedHead> ReadHeads(const std::string& fileName)
{
    std::vector<RememberedHead> heads;
    std::ifstream in(fileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        std::optional<std::string> path = UnescapeTsvField(std::string_view(line).substr(tab + 1));
        if (path)
            heads.push_back({ line.substr(0, tab), std::move(*path) });
    }
    return heads;
}

} // namespace

std::string TrailStateFolder(const EnvironmentLookup& environment)
{
    if (std::string state = AbsoluteFolder(environment("XDG_STATE_HOME")); !state.empty())
        return state + "/custodia";
    if (std::string home = AbsoluteFolder(environment("HOME")); !home.empty())
        return home + "/.local/state/custodia";
    return {};
}

std::optional<std::string> RememberedTrailHead(const NativePath& loginPath)
{
    const std::string fileName = HeadsFile();
    if (fileName.empty())
        return std::nullopt;
    const std::string key = KeyOf(loginPath);
    for (const RememberedHead& head : ReadHeads(fileName)) {
        if (head.loginPath == key)
            return head.hash;
    }
    return std::nullopt;
}

void RememberTrailHead(const NativePath& loginPath, const std::string& hash)
{
    const std::string fileName = HeadsFile();
    if (fileName.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fileName).parent_path(), error);
    const std::string key = KeyOf(loginPath);
    std::vector<RememberedHead> heads = ReadHeads(fileName);
    std::erase_if(heads, [&](const RememberedHead& head) { return head.loginPath == key; });
    heads.push_back({ hash, key });
    std::ostringstream text;
    for (const RememberedHead& head : heads)
        text << head.hash << '\t' << EscapeTsvFieldExactly(head.loginPath) << '\n';
    // Written beside and renamed over, so that two programs of this user never leave half a file.
    const std::string partial = fileName + "." + std::to_string(::getpid());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text.str();
        if (!out.flush())
            return;
    }
    if (std::rename(partial.c_str(), fileName.c_str()) != 0)
        std::remove(partial.c_str());
}

} // namespace custodia
