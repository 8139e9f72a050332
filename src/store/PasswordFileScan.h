#pragma once

#include "store/PasswordFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace custodia {

class File;

// What one pass over "tessel.pwd" found besides its records.
struct PasswordFileScan {
    uint64_t length = 0; // bytes read, torn tail included
    std::optional<PasswordFileHeader> header; // none when the file is shorter than a header
    uint64_t wholeRecords = 0; // a torn tail (fewer than 206 bytes) is no record
    uint32_t recordsInUse = 0; // records of type 0 or 2: what the header's count should say

    // How much of a header the file holds (at most 54 bytes).
    size_t HeaderLength() const;
    // A whole header with the right title.
    bool IsPasswordFile() const { return header && header->HasValidTitle(); }
};

// Called with the index and bytes of every whole record, in file order.
using PasswordRecordVisitor = std::function<void(uint64_t index, const PasswordFileRecord& record)>;

// Reads the file once from its start, in large reads of many records each (never one call per record),
// and hands each whole record to the visitor. The records of a file that is no password file are not
// read. The position afterwards is undefined.
// expect, when given, hears how many records the file's length promises before the first is visited,
// so that a caller can make room for them at once.
PasswordFileScan ScanPasswordFile(
    File& file, const PasswordRecordVisitor& visit, const std::function<void(uint64_t records)>& expect = {});

} // namespace custodia
