// The record file's reads and its changes of one record.
#include "store/RecordFile.h"

#include "platform/Endian.h"
#include "platform/Failure.h"
#include "platform/FileException.h"
#include "store/RecordFileParts.h"
#include "store/RecordImage.h"

#include <algorithm>
#include <vector>

namespace custodia {

using namespace recordfile;
using namespace recordparts;

RecordHeader RecordHeader::Decode(const unsigned char* bytes)
{
    return RecordHeader { bytes[0], bytes[1], ReadUint16LE(bytes + 2) };
}

void RecordHeader::Encode(unsigned char* bytes) const
{
    bytes[0] = kind;
    bytes[1] = subKind;
    WriteUint16LE(bytes + 2, length);
}

size_t RecordFile::ReadRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<unsigned char> buffer, bool verify)
{
    std::vector<unsigned char> image;
    const FileReadResult read = ReadImage(fileName, image, *m_environment);
    if (!read.WasRead() && (verify || read.status != FileReadStatus::Damaged))
        return 0;
    const auto record = FindRecordIn(image, kind, subKind, buffer.size());
    if (!record)
        return 0;
    std::copy(record->data.begin(), record->data.end(), buffer.begin());
    return record->data.size();
}

FileReadResult RecordFile::ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<unsigned char> buffer, const RecordFunction& function)
{
    std::vector<unsigned char> image;
    if (FileReadResult read = ReadImage(fileName, image, *m_environment); !read.WasRead())
        return read;
    RecordChain chain(image);
    while (const auto record = chain.Next()) {
        if (record->kind != kind || record->subKind != subKind || record->data.size() > buffer.size())
            continue;
        std::copy(record->data.begin(), record->data.end(), buffer.begin());
        const std::span<const unsigned char> data = buffer.first(record->data.size());
        if (function)
            function(data);
        else
            OnRecord(data, record->offset);
    }
    return {};
}

Status RecordFile::WriteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<const unsigned char> data, bool replace, const std::string& operation)
{
    // The length field has 16 bits: a larger record cannot be stored, and is refused rather than cut.
    // An empty record would look like the end of the file to every reader and hide all records after it.
    if (data.empty() || data.size() > kMaxDataLength)
        return Refused(Failure::Refusal::BadValue, operation, fileName,
            "a record of " + std::to_string(data.size()) + " bytes cannot be stored");
    HeldFile held(*m_environment);
    if (Status holding = HoldToChange(held, fileName, operation); !holding)
        return holding;

    const WritePlan plan = replace ? PlanReplace(held.image, kind, subKind, data.size()) : WritePlan {};
    // Behind a broken head no reader would ever reach the record.
    if (!plan.target)
        if (const auto broken = FindBrokenHead(held.image.data(), held.image.size()))
            return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeBrokenHead(*broken));
    CommitChange(held, WriteEdits(held.image, plan, RecordBytes(kind, subKind, data)));
    held.file.Close();
    return {};
}

Result<bool> RecordFile::AppendRecordIfClear(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<const unsigned char> data, const std::function<bool(std::span<const unsigned char> record)>& inTheWay,
    const std::string& operation)
{
    if (data.empty() || data.size() > kMaxDataLength)
        return Refused(Failure::Refusal::BadValue, operation, fileName,
            "a record of " + std::to_string(data.size()) + " bytes cannot be stored");
    HeldFile held(*m_environment);
    if (Status holding = HoldToChange(held, fileName, operation); !holding)
        return holding.Error();
    if (!held.image.empty())
        if (Status sound = CheckSound(held.image, fileName, operation); !sound)
            return sound.Error();
    RecordChain chain(held.image);
    while (const auto record = chain.Next())
        if (record->kind == kind && record->subKind == subKind && inTheWay(record->data))
            return false;
    CommitChange(held, { Edit { AppendOffset(held.image), RecordBytes(kind, subKind, data) } });
    return true;
}

Result<bool> RecordFile::DeleteFirstRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    const std::function<bool(std::span<const unsigned char> record)>& match, const std::string& operation)
{
    HeldFile held(*m_environment);
    if (!OpenWithinLimit(held.file, fileName, kOpenExistingChange)) {
        if (held.file.IsOpen() || held.file.LastCause() == kCauseNone)
            return Refused(Failure::Refusal::Damaged, operation, fileName, "larger than any record file");
        return OpenFailure(operation, fileName, held.file.LastOpenError());
    }
    RecoverHeld(held.file);
    if (!held.file.ReadWhole(held.image, kMaxFileLength))
        return Refused(Failure::Refusal::Damaged, operation, fileName, "changed while it was read");
    // Sealing a change into a damaged file would pass its damage for sound.
    if (Status sound = CheckSound(held.image, fileName, operation); !sound)
        return sound.Error();
    RecordChain chain(held.image);
    while (const auto found = chain.Next()) {
        if (found->kind == kind && found->subKind == subKind && match(found->data)) {
            CommitChange(held, { Edit { found->offset, { kDeletedKind } } });
            return true;
        }
    }
    return false;
}

FileReadResult RecordFile::ReadRecords(
    const std::string& fileName, std::vector<RecordRequest>& requests, bool readDamaged)
{
    std::vector<unsigned char> image;
    FileReadResult result = ReadImage(fileName, image, *m_environment);
    if (result.WasRead() || (readDamaged && result.status == FileReadStatus::Damaged))
        FillRecordRequests(image, requests);
    return result;
}

void RecordFile::OnRecord(std::span<const unsigned char>, uint64_t)
{
}

} // namespace custodia
