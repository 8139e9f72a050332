#include "FuzzFile.h"

#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia::fuzz {

std::string ScratchFolder()
{
    static const std::string folder = [] {
        // On tmpfs when there is one: every input goes through a few dozen file calls, and a disk's
        // file system makes those the fuzzer's bottleneck.
        struct stat shm { };
        const std::string base = ::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp";
        std::string path = base + "/custodia-fuzz-" + std::to_string(::getpid());
        ::mkdir(path.c_str(), 0700);
        ChangeDirectory(path);
        // Opens that fail would wait between retries; a fuzzer must not.
        SetSleepFunction([](int) {});
        return path;
    }();
    return folder;
}

std::string WriteInput(const std::string& fileName, const uint8_t* data, size_t size)
{
    const std::string path = ScratchFolder() + "/" + fileName;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size)
        std::abort();
    std::fclose(out);
    return path;
}

} // namespace custodia::fuzz
