#include "BenchData.h"

#include "platform/File.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/PasswordFile.h"
#include "store/ProfileStore.h"
#include "store/UserAccessRecord.h"
#include "store/UserRecord.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

namespace custodia::bench {

namespace {

constexpr int kGroupCount = 256;

UserEntry BenchUser(int index)
{
    UserEntry entry;
    entry.user.userName = BenchData::UserName(index);
    entry.user.fullName = "Full Name " + std::to_string(index);
    entry.user.description = "Benchmark user " + std::to_string(index);
    entry.user.password = "secret";
    entry.user.groupNumber = static_cast<uint8_t>(index % kGroupCount);
    entry.access.userName = entry.user.userName;
    return entry;
}

// Adding users one by one costs a scan each; the file is written whole instead, from the store's
// own encoders, with each user followed by its access record as SaveUser leaves a fresh file.
void WriteUsers(const std::string& loginPath, int count)
{
    std::filesystem::create_directories(loginPath);
    PasswordFileHeader header;
    header.recordCount = static_cast<uint32_t>(2 * count);
    std::string bytes;
    const PasswordFileHeaderBytes head = header.Encode();
    bytes.append(head.begin(), head.end());
    for (int i = 0; i < count; ++i) {
        const UserEntry entry = BenchUser(i);
        const PasswordFileRecord user = entry.user.Encode();
        const PasswordFileRecord access = entry.access.Encode();
        bytes.append(user.begin(), user.end());
        bytes.append(access.begin(), access.end());
    }
    File file;
    if (file.OpenOnce(PasswordFilePath(loginPath), openflags::kCreate | openflags::kWrite) != 0)
        throw std::runtime_error("cannot write " + loginPath);
    file.Write(bytes.data(), bytes.size());
}

void WriteGroups(const std::string& loginPath)
{
    std::filesystem::create_directories(loginPath);
    const ProfileStore profiles { NativePath(loginPath) };
    for (int group = 0; group < kGroupCount; ++group) {
        const Result<bool> saved = profiles.ChangeGroup(static_cast<uint8_t>(group), "Group " + std::to_string(group),
            SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
                std::fill(rights.begin(), rights.end(), 0);
                if (program == 0)
                    rights[0] = static_cast<unsigned char>(group & 1);
            });
        if (!saved || !*saved)
            throw std::runtime_error("cannot save group " + std::to_string(group));
    }
    DatabaseList list;
    for (int slot = 0; slot < 10; ++slot) {
        list.SetDescription(slot, "Database " + std::to_string(slot));
        list.SetPath(slot, "/data/loggers/db" + std::to_string(slot));
    }
    if (!DatabaseListStore(NativePath(loginPath)).Save(list))
        throw std::runtime_error("cannot save the database list");
}

} // namespace

BenchData::BenchData()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "custodia-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    m_folder = pattern;
    WriteUsers(UsersPath(0), 0);
    for (int count : UserCounts())
        WriteUsers(UsersPath(count), count);
    WriteGroups(GroupsPath());
}

BenchData::~BenchData()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string BenchData::UsersPath(int count) const
{
    return JoinPath(m_folder, "users" + std::to_string(count));
}

std::string BenchData::GroupsPath() const
{
    return JoinPath(m_folder, "groups");
}

std::string BenchData::UserName(int index)
{
    return "user" + std::to_string(index);
}

const std::vector<int>& BenchData::UserCounts()
{
    static const std::vector<int> counts { 100, 1000, 10000 };
    return counts;
}

std::string ReadWholeFile(const std::string& path)
{
    File file;
    if (file.OpenOnce(path, openflags::kRead | openflags::kShareDenyNone) != 0)
        throw std::runtime_error("cannot read " + path);
    std::string bytes(file.GetLength(), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

} // namespace custodia::bench
