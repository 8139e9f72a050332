#include "cli/PasswordInput.h"

#include "cli/Arguments.h"

#include <istream>
#include <ostream>
#include <termios.h>
#include <unistd.h>

namespace custodia::cli {

namespace {

// Turns echo off on standard input for the lifetime of the object.
class ScopedNoEcho final {
public:
    ScopedNoEcho()
    {
        if (::tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~ScopedNoEcho()
    {
        if (m_active)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    ScopedNoEcho(const ScopedNoEcho&) = delete;
    ScopedNoEcho& operator=(const ScopedNoEcho&) = delete;

private:
    termios m_saved {};
    bool m_active = false;
};

} // namespace

std::optional<std::string> ReadPassword(CommandContext& context)
{
    std::string line;
    bool read = false;
    if (context.inputIsTerminal) {
        context.err << "Password: " << std::flush;
        ScopedNoEcho noEcho;
        read = static_cast<bool>(std::getline(context.in, line));
        context.err << '\n';
    } else {
        read = static_cast<bool>(std::getline(context.in, line));
    }
    // A last line without its line end still counts; only input that ended before any byte does not.
    if (!read && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string RequirePassword(CommandContext& context)
{
    auto password = ReadPassword(context);
    if (!password)
        throw UsageError("no password: standard input ended before a line (give an empty line for an empty password)");
    return std::move(*password);
}

} // namespace custodia::cli
