#include "cli/CliRunner.h"

#include "support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia::test {

namespace {

const char* const kProgram = CUSTODIA_OUTPUT_DIR "/custodiactl";
constexpr unsigned kHangSeconds = 60;

struct ChildOptions {
    long fileSizeLimit = 0;
    bool asOtherUser = false;
};

// Runs in the child between fork and exec: only calls that are safe there.
[[noreturn]] void ExecChild(const std::string& folder, const std::string& inputFile, const std::string& outFile,
    const std::string& errFile, std::vector<char*>& argv, const ChildOptions& options)
{
    const long fileSizeLimit = options.fileSizeLimit;
    if (fileSizeLimit > 0) {
        // Ignored signals stay ignored across exec: the write then fails with an error instead.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit) };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(127);
    }
    const int in = ::open(inputFile.c_str(), O_RDONLY);
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0
        || ::dup2(err, STDERR_FILENO) < 0 || ::chdir(folder.c_str()) != 0)
        ::_exit(127);
    if (options.asOtherUser && ::geteuid() == 0
        && (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUserId) != 0 || ::setuid(kOtherUserId) != 0))
        ::_exit(127);
    ::alarm(kHangSeconds); // survives exec
    ::execv(kProgram, argv.data());
    ::_exit(127);
}

CliResult Run(const std::string& folder, const std::vector<std::string>& arguments, const std::string& input,
    const ChildOptions& options)
{
    // The streams go through files of a folder of their own, so that a large output cannot block.
    const TempDir streams;
    const std::string inputFile = streams.file("in");
    const std::string outFile = streams.file("out");
    const std::string errFile = streams.file("err");
    WriteText(inputFile, input);

    std::vector<std::string> words { kProgram };
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot start custodiactl");
    if (child == 0)
        ExecChild(folder, inputFile, outFile, errFile, argv, options);
    int wait = 0;
    if (::waitpid(child, &wait, 0) != child)
        throw std::runtime_error("lost custodiactl");

    CliResult result;
    result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    result.out = ReadText(outFile);
    result.err = ReadText(errFile);
    return result;
}

} // namespace

CliResult RunCli(
    const std::string& folder, const std::vector<std::string>& arguments, const std::string& input, long fileSizeLimit)
{
    return Run(folder, arguments, input, ChildOptions { fileSizeLimit, false });
}

CliResult RunCliAsOtherUser(
    const std::string& folder, const std::vector<std::string>& arguments, const std::string& input)
{
    return Run(folder, arguments, input, ChildOptions { 0, true });
}

} // namespace custodia::test
