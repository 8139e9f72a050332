// Writes the seed corpus of every fuzz target with our own writers: make_fuzz_seeds CORPUS_FOLDER
#include "platform/Platform.h"
#include "store/RecordFile.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace custodia;

namespace {

using SeedMaker = std::function<void(const std::string& folder)>;

void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0755); }

void RecordFileSeeds(const std::string& folder)
{
    RecordFile records;
    const std::vector<unsigned char> path(255, 'p'), group(1200, 1), databases(19296, 0);
    records.WriteRecord(folder + "/custo.cfg", 87, 0, path.data(), 255, 1, false);
    records.WriteRecord(folder + "/custo.cfg", 87, 0, path.data(), 255, 1, false);
    records.WriteRecord(folder + "/setup.prf", 82, 3, group.data(), 1200, 1, true);
    records.WriteRecord(folder + "/setup.prf", 82, 4, group.data(), 1200, 1, true);
    records.WriteRecord(folder + "/tessel.dbs", 87, 1, databases.data(), 19296, 1, true);
}

const std::map<std::string, SeedMaker>& SeedMakers()
{
    static const std::map<std::string, SeedMaker> makers = {
        { "record_file_fuzz", RecordFileSeeds },
    };
    return makers;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    SetSleepFunction([](int) { });
    const std::string top = argv[1];
    MakeFolder(top);
    for (const auto& [target, make] : SeedMakers()) {
        const std::string folder = top + "/" + target;
        MakeFolder(folder);
        make(folder);
    }
    return 0;
}
