#include "platform/FileEnvironment.h"

namespace custodia {

void FileEnvironment::Sleep(int milliseconds) const
{
    if (sleep)
        sleep(milliseconds);
    else
        SleepMilliseconds(milliseconds);
}

std::optional<std::tm> FileEnvironment::LocalTime() const
{
    return localTime ? localTime() : CurrentLocalTime();
}

void FileEnvironment::BeforeWrite() const
{
    if (beforeWrite)
        beforeWrite();
    else
        BeforeFileWrite();
}

void FileEnvironment::CountRead() const
{
    if (onRead)
        onRead();
    else
        CountFileRead();
}

const FileEnvironment& FileEnvironment::System()
{
    static const FileEnvironment system;
    return system;
}

} // namespace custodia
