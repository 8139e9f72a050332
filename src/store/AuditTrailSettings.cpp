#include "store/AuditTrailSettings.h"

#include "platform/Platform.h"

#include <fstream>
#include <string>
#include <string_view>

namespace custodia {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return {};
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

} // namespace

bool AllowsChangesWithoutTrail(const NativePath& loginPath)
{
    std::ifstream in(JoinPath(loginPath, audittrail::kSettingsFileName));
    std::string line;
    bool allowed = false;
    while (std::getline(in, line)) {
        const std::string_view text = Trimmed(line);
        const size_t equals = text.find('=');
        if (text.empty() || text.front() == '#' || equals == std::string_view::npos)
            continue;
        if (Trimmed(text.substr(0, equals)) == audittrail::kUnloggedChangesKey)
            allowed = Trimmed(text.substr(equals + 1)) == audittrail::kAllowedValue;
    }
    return allowed;
}

} // namespace custodia
