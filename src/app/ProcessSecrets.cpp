#include "app/ProcessSecrets.h"

#include <cstring>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace custodia {

namespace {

// As the log-on reads it: case-sensitive, at the start of the argument.
constexpr std::string_view kPasswordPrefix = "password=";

bool IsPasswordArgument(std::string_view argument)
{
    return argument.size() > kPasswordPrefix.size() && argument.substr(0, kPasswordPrefix.size()) == kPasswordPrefix;
}

// Volatile, so that a store to memory that is about to be freed or never read again is not dropped.
void ZeroBytes(char* bytes, size_t count)
{
    volatile char* out = bytes;
    for (size_t i = 0; i < count; ++i)
        out[i] = '\0';
}

} // namespace

void DisableCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
}

int ScrubPasswordArguments(int argc, char** argv)
{
    int scrubbed = 0;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        if (!IsPasswordArgument(argv[i]))
            continue;
        char* value = argv[i] + kPasswordPrefix.size();
        ZeroBytes(value, std::strlen(value));
        ++scrubbed;
    }
    return scrubbed;
}

void WipePasswordArguments(std::vector<std::string>& arguments)
{
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string& argument = arguments[i];
        if (!IsPasswordArgument(argument))
            continue;
        ZeroBytes(argument.data() + kPasswordPrefix.size(), argument.size() - kPasswordPrefix.size());
        argument.resize(kPasswordPrefix.size());
    }
}

void WipeText(std::string& text)
{
    ZeroBytes(text.data(), text.size());
    text.clear();
}

} // namespace custodia
