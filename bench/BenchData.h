#pragma once

#include <string>
#include <vector>

namespace custodia::bench {

// Login paths for the benchmarks, written by the store's own code into a fresh temporary folder that
// is removed with the object: users0 (header only), users100, users1000, users10000 (each user with
// its access record) and groups (256 groups in all twelve profile files, and a database list).
class BenchData final {
public:
    BenchData();
    ~BenchData();
    BenchData(const BenchData&) = delete;
    BenchData& operator=(const BenchData&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string UsersPath(int count) const;
    std::string GroupsPath() const;

    static std::string UserName(int index);
    static const std::vector<int>& UserCounts();

private:
    std::string m_folder;
};

// The whole file in one read of its length, as the baselines read it.
std::string ReadWholeFile(const std::string& path);

} // namespace custodia::bench
