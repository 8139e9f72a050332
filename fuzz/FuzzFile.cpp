#include "FuzzFile.h"

#include "platform/Platform.h"
#include "platform/SharedFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia::fuzz {

namespace {

std::string g_scratch; // removed at exit

void RemoveScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_scratch, ignored);
}

} // namespace

std::string ScratchFolder()
{
    static const std::string folder = [] {
        // On tmpfs when there is one: every input goes through a few dozen file calls, and a disk's
        // file system makes those the fuzzer's bottleneck.
        struct stat shm { };
        const std::string base = ::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp";
        g_scratch = base + "/custodia-fuzz-" + std::to_string(::getpid());
        ::mkdir(g_scratch.c_str(), 0700);
        ChangeDirectory(g_scratch);
        std::atexit(RemoveScratchFolder);
        // Opens that fail would wait between retries; a fuzzer must not.
        SetSleepFunction([](int) {});
        return g_scratch;
    }();
    return folder;
}

std::string WriteInput(const std::string& fileName, const uint8_t* data, size_t size)
{
    const std::string folder = ScratchFolder();
    // Every failed open appends a line: about a hundred bytes an input, gigabytes of memory in a long run.
    std::remove((folder + "/" + SharedFile::kErrorLogName).c_str());
    const std::string path = folder + "/" + fileName;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size)
        std::abort();
    std::fclose(out);
    return path;
}

std::string WriteInput(const std::string& fileName, const std::vector<unsigned char>& bytes)
{
    return WriteInput(fileName, bytes.data(), bytes.size());
}

} // namespace custodia::fuzz
