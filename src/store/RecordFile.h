#pragma once

#include "platform/FileEnvironment.h"
#include "platform/Result.h"
#include "store/FileReadResult.h"
#include "store/RecordJournal.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace custodia {

class File;
class SharedFile;

// Record file layout: a checksum, a header record carrying the file length and a fixed text, then
// tagged variable-length records back to back. All integers little-endian.
namespace recordfile {
inline constexpr size_t kChecksumOffset = 0;
inline constexpr size_t kHeaderRecordOffset = 4;
inline constexpr size_t kStoredLengthOffset = 8;
inline constexpr size_t kHeaderTextOffset = 12;
inline constexpr const char kHeaderText[] = "QUARVA FOR WINDOWS V1.0";
inline constexpr size_t kHeaderTextLength = sizeof kHeaderText - 1; // 23, no terminating zero
inline constexpr size_t kFirstRecordOffset = kHeaderTextOffset + kHeaderTextLength; // 35
inline constexpr size_t kHeadSize = 4;
inline constexpr uint8_t kHeaderKind = 0x81;
inline constexpr uint8_t kDeletedKind = 0xFF;
inline constexpr uint16_t kHeaderRecordLength = 8 + kHeaderTextLength; // 31
inline constexpr size_t kMaxDataLength = 0xFFFF - kHeadSize; // 65531
// No record file of the suite comes near this (a profile file with 256 groups and every one rewritten
// many times stays under a few megabytes); a larger one is refused as damaged without being read.
inline constexpr uint64_t kMaxFileLength = uint64_t { 64 } << 20;

// Verification results.
inline constexpr int kVerifyOk = 0;
inline constexpr int kVerifyLengthWrong = 1;
inline constexpr int kVerifyChecksumWrong = 2;
inline constexpr int kVerifyNoHeader = 3;
} // namespace recordfile

// The 4-byte head of every record.
struct RecordHeader {
    uint8_t kind = 0;
    uint8_t subKind = 0;
    uint16_t length = 0; // head included

    static RecordHeader Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// One record asked of ReadRecords: the first record of the kind and sub-kind that fits the buffer and
// has not gone to an earlier request.
struct RecordRequest {
    uint8_t kind = 0;
    uint8_t subKind = 0;
    std::span<unsigned char> buffer;
    size_t bytesRead = 0; // set by ReadRecords
};

// How a change of one record went.
enum class RecordChangeResult {
    Written,
    Declined, // the change function asked for nothing to be written
    Damaged, // the file fails its check; nothing was written
    NotOpened, // the file could neither be opened nor created
};

// Whether a part of a change needs its record to be there already, or not there yet.
enum class RecordPresence { Any, Present, Absent };

// One file's part of a change of several record files.
struct RecordFileChange {
    std::string fileName;
    uint8_t kind = 0;
    uint8_t subKind = 0;
    size_t size = 0;
    std::function<bool(std::span<unsigned char> data)> change;
    // When not empty, the part deletes instead: for each of these sub-kinds the record a reader takes
    // for a buffer of `size` bytes, if it fills it exactly; `change` is then not called.
    // A missing file is then left missing.
    std::vector<uint8_t> deletedSubKinds;
    // Checked inside the hold: a record of the kind and sub-kind that should not be there fails the
    // change (AlreadyExists), as does one that should and is not (NotFound).
    RecordPresence presence = RecordPresence::Any;
};

// A change's result as the old account facade still hands it to its callers, and the file that stopped
// it; the file layer itself returns Results.
struct RecordChangeOutcome {
    RecordChangeResult result = RecordChangeResult::Written;
    std::string fileName;
    std::string cause; // in plain words, from the failure itself: "no permission", "checksum wrong"

    // The outcome of a change that returned a Result.
    static RecordChangeOutcome Of(const Result<bool>& changed);
};

// Reads and writes record files. Each call opens the file, works, seals it after a change and closes
// it again, so that several programs can use one file in turn; the object keeps nothing between calls.
class RecordFile {
public:
    // The data bytes of one record, exactly as long as the record.
    using RecordFunction = std::function<void(std::span<const unsigned char> data)>;

    // Makes the change of a record from its current data; false leaves the file as it is.
    using ChangeFunction = std::function<bool(std::span<unsigned char> data)>;

    // Opens for changes wait, tell of waits and give up as the environment says; it must outlive the
    // object.
    explicit RecordFile(const FileEnvironment& environment = FileEnvironment::System())
        : m_environment(&environment)
    {
    }
    virtual ~RecordFile() = default;

    // Data bytes of the first record of the kind and sub-kind that fits the buffer, or 0.
    size_t ReadRecord(
        const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<unsigned char> buffer, bool verify);
    // Every record that fits the buffer, in file order, read into the buffer, then handed to the
    // function (or to OnRecord when none is given). Reads nothing unless the file verifies.
    FileReadResult ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
        std::span<unsigned char> buffer, const RecordFunction& function = {});
    // Writes the record, replacing the first of its kind and sub-kind with the same length when
    // `replace` asks (the earlier ones of other lengths are then marked deleted), or appending it. Data
    // that cannot be a record (empty, or longer than kMaxDataLength) is refused as BadValue; a missing
    // file is created.
    Status WriteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<const unsigned char> data,
        bool replace, const std::string& operation = {});
    // The one way to change a record from what it holds: within one exclusive hold of the file, reads
    // the first record of the kind and sub-kind that fits `size` bytes (all zero when there is none),
    // lets the function change it and writes it back as WriteRecord with replace does. Nothing that
    // another program writes between reading and writing can be lost, as nobody writes in between. A
    // file that fails its check is left as it is (Damaged); a missing one is created. The value says
    // whether the function asked for the change.
    Result<bool> ChangeRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, size_t size,
        const ChangeFunction& change, const std::string& operation = {});
    // ChangeRecord for several files at once, all or nothing: every file is held and checked before
    // any is written (in the order given, which callers keep fixed), and a failure writes none. The
    // failure's cause is taken from the open or the check that stopped it; `operation` names it for
    // people. The value says whether anything was written.
    static Result<bool> ApplyChanges(std::span<const RecordFileChange> changes, const std::string& operation,
        const FileEnvironment& environment = FileEnvironment::System());
    // Appends the record unless a record of the kind and sub-kind already there stands in its way (the
    // function says so), within one exclusive hold of the file: false then. A file that fails its check
    // is left as it is; a missing one is created.
    Result<bool> AppendRecordIfClear(const std::string& fileName, uint8_t kind, uint8_t subKind,
        std::span<const unsigned char> data, const std::function<bool(std::span<const unsigned char> record)>& inTheWay,
        const std::string& operation);
    // Marks deleted the first record of the kind and sub-kind that the function picks, within one
    // exclusive hold of an existing, sound file: false when none was picked.
    Result<bool> DeleteFirstRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
        const std::function<bool(std::span<const unsigned char> record)>& match, const std::string& operation);
    // Fills the requests from one read of the whole file; a request with no record has bytesRead 0. A
    // file that fails its check fills none and leaves them as they were, unless readDamaged asks for
    // what it still holds (as the peer programs read "tessel.dbs"); the result says Damaged either way.
    FileReadResult ReadRecords(
        const std::string& fileName, std::vector<RecordRequest>& requests, bool readDamaged = false);

protected:
    virtual void OnRecord(std::span<const unsigned char> data, uint64_t recordOffset);

private:
    const FileEnvironment* m_environment;
};

// Reads a record file whole in one go and checks it as ReadRecords does. The image is what the file
// holds, kept also when the check fails (then Damaged), and empty when the file could not be read.
FileReadResult ReadRecordFileImage(const std::string& fileName, std::vector<unsigned char>& image,
    const FileEnvironment& environment = FileEnvironment::System());
// Reads a record file whole, as ReadRecordFileImage does, but leaves a journal beside it as it is: the
// plan says what the next program of ours to open the file will do with it (nothing when there is none).
FileReadResult ReadRecordFileAsFound(const std::string& fileName, std::vector<unsigned char>& image,
    JournalPlan& journal, const FileEnvironment& environment = FileEnvironment::System());
// Reads a record file once and checks it as a whole: checksum, header record, stored length, and that
// its records run back to back to its end.
FileReadResult InspectRecordFile(const std::string& fileName);
// Where the chain of records breaks off before the end of the image (a head too short to lead on, or
// running past the end), or nothing when it runs to the end.
std::optional<size_t> FindBrokenHead(const unsigned char* bytes, size_t length);
std::string DescribeBrokenHead(size_t offset);
// Checks an open record file: one of recordfile::kVerify*.
int VerifyRecordFile(File& file);
// Checks a record file's bytes in memory: one of recordfile::kVerify*.
int VerifyRecordImage(const unsigned char* bytes, size_t length);
// The same check as the readers report it: Read, or Damaged saying what is wrong.
FileReadResult CheckRecordImage(std::span<const unsigned char> image);
// Rewrites the stored length and the checksum after a change; keeps the file position.
void SealRecordFile(File& file);
// Seals the file again, as one journalled change under its own exclusive hold: a program killed on the
// way leaves it as it was. Nothing is written when the file cannot be held or its record chain is not
// whole (Damaged: a seal would only make damage look sound). Throws FileException.
Status ResealRecordFile(const std::string& fileName, const std::string& operation = {});
// Creates (or empties) a record file holding only its header record; the file stays open for the
// change that asked for it.
Status CreateRecordFile(SharedFile& file, const std::string& fileName, const std::string& operation = {});
// Undoes every cut-short change in the folder whose writer is gone, for the files named (bare names),
// as soon as any program of ours touches the folder rather than when one next opens that very file: until
// then the suite's other programs, which know nothing of journals, read the file half changed. A file
// still held (its writer is alive and finishes or undoes its own change) is left to its writer; nothing
// waits. Failures are left for the next open of the file to report. Returns the files recovered.
std::vector<std::string> RecoverAbandonedChanges(
    const std::string& folder, const std::vector<std::string>& fileNames, const FileEnvironment& environment);
// Sum of the bytes from offset 4 to the end, as unsigned bytes, wrapping at 32 bits.
uint32_t RecordChecksum(const unsigned char* bytes, size_t length);

} // namespace custodia
