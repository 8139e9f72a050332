#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/DatabaseList.h"
#include "store/FileReadResult.h"

#include <functional>
#include <string>

namespace custodia {

// The operations on one login path's database list ("tessel.dbs"): a record file of one record.
class DatabaseListStore final {
public:
    // The environment must outlive the object.
    explicit DatabaseListStore(NativePath loginPath, const FileEnvironment& environment = FileEnvironment::System());

    const std::string& FileName() const { return m_fileName; }

    // Zero-fills the list and reads the file into it. A file without the record, or a missing one,
    // leaves it zero. A file that fails its check is still read, as the suite's other programs read it,
    // and reported Damaged.
    FileReadResult Load(DatabaseList& list) const;
    // Writes the whole list as the file's record (created when missing); the failure says why the
    // file could not be held or written.
    Status Save(const DatabaseList& list, const std::string& operation = {}) const;
    // Changes the list as it is in the file inside one hold of it, so that another program's change of
    // other slots is kept; the change may decline (false), and then nothing is written. A damaged file
    // is left as it is. The value says whether anything was written.
    Result<bool> Change(const std::function<bool(DatabaseList& list)>& change, const std::string& operation) const;

private:
    const FileEnvironment* m_environment;
    std::string m_fileName;
};

} // namespace custodia
