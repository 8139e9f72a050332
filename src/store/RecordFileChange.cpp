// The journalled change of one record file or of several at once, all or nothing.
#include "store/RecordFile.h"

#include "platform/Failure.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ChangeSetMarker.h"
#include "store/RecordFileParts.h"
#include "store/RecordImage.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <memory>

namespace custodia {

using namespace recordfile;

namespace recordparts {

namespace {

// One file's part of a change: the held file, the writes to make in their order (the edits, then the
// seal), the file as they leave it, and the journal of what they overwrite and write.
struct PendingChange {
    HeldFile* held = nullptr;
    std::vector<Edit> writes;
    std::vector<unsigned char> after;
    RecordJournal journal { 0 };
};

void ApplyToImage(std::vector<unsigned char>& image, const Edit& edit)
{
    const size_t end = static_cast<size_t>(edit.offset) + edit.bytes.size();
    if (image.size() < end)
        image.resize(end);
    std::copy(edit.bytes.begin(), edit.bytes.end(), image.begin() + static_cast<ptrdiff_t>(edit.offset));
}

// Journals what the edits and the seal will overwrite (the checksum and the stored length, and the
// bytes under each edit) and what they will write. A file with no bytes gets its header record in the
// same change. The seal rewrites the stored length and the checksum from the image as the edits leave
// it, in one write.
PendingChange PrepareChange(HeldFile& held, std::vector<Edit> edits)
{
    PendingChange change { &held, {}, held.image, RecordJournal(held.image.size()) };
    if (held.image.empty())
        change.writes.push_back(Edit { 0, HeaderRecordBytes() });
    change.journal.Keep(held.image, kChecksumOffset, kStoredLengthOffset + 4);
    for (Edit& edit : edits) {
        change.journal.Keep(held.image, edit.offset, edit.bytes.size());
        change.writes.push_back(std::move(edit));
    }
    for (const Edit& write : change.writes)
        ApplyToImage(change.after, write);
    const size_t sealed = SealImage(change.after);
    change.writes.push_back(Edit {
        0, std::vector<unsigned char>(change.after.begin(), change.after.begin() + static_cast<ptrdiff_t>(sealed)) });
    change.journal.RecordWrites(held.image, change.after.size());
    for (const Edit& write : change.writes)
        change.journal.AddWrite(write.offset, write.bytes);
    return change;
}

// The image then holds every byte the change wrote.
void ApplyWrites(PendingChange& change)
{
    HeldFile& held = *change.held;
    for (const Edit& write : change.writes)
        held.file.WriteAt(write.offset, write.bytes.data(), write.bytes.size());
    held.image = std::move(change.after);
}

// Puts back the first `count` files, each only while it holds nothing but what it held and what this
// change wrote (a program that knows nothing of our journals may write meanwhile); best effort, as a
// journal left behind is played back, or kept aside, by the next opener anyway.
void RollBackAll(const std::vector<PendingChange>& changes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        try {
            RecoverFromJournal(changes[i].held->file);
        } catch (const FileException&) {
        }
    }
}

// The folder part of a file's name, separator included; empty for a bare name.
std::string FolderPartOf(const std::string& fileName)
{
    return fileName.substr(0, fileName.find_last_of(kPathSeparator) + 1);
}

// Once per folder, not once per file: the twelve profile files of a group share theirs.
void FlushFolders(const std::vector<PendingChange>& changes)
{
    std::vector<std::string> flushed;
    for (const PendingChange& change : changes) {
        const std::string folder = FolderPartOf(change.held->file.GetFileName());
        if (std::find(flushed.begin(), flushed.end(), folder) != flushed.end())
            continue;
        FlushFolderOf(change.held->file.GetFileName());
        flushed.push_back(folder);
    }
}

// A change of several files commits at the removal of one marker, which every journal names; the marker
// lies beside the files, so a change across folders (none is made today) goes without one.
bool NeedsChangeSet(const std::vector<PendingChange>& changes)
{
    return changes.size() > 1 && std::all_of(changes.begin(), changes.end(), [&](const PendingChange& change) {
        return FolderPartOf(change.held->file.GetFileName()) == FolderPartOf(changes.front().held->file.GetFileName());
    });
}

// Every change of record files: the journals first, flushed; then the changes, each sealed and
// flushed; then the journals go. A program killed at any point leaves either journals, which the next
// opener plays back, or the finished change. A change that fails is undone at once from the same
// journals. A change of several files commits at one step: the removal of its marker, made before
// its journals. Until then each journal is played back; after it, a journal left behind is only
// removed, so the files show the change in all of them or in none.
void CommitChanges(std::vector<PendingChange> changes)
{
    const std::string first = changes.empty() ? std::string() : changes.front().held->file.GetFileName();
    const std::string changeSet = NeedsChangeSet(changes)
        ? CreateChangeSetMarker(first, changes.front().held->file.Environment())
        : std::string();
    size_t stored = 0;
    try {
        for (PendingChange& change : changes) {
            change.journal.SetChangeSet(changeSet);
            change.journal.Store(change.held->file.GetFileName(), change.held->file.Environment());
            ++stored;
        }
        FlushFolders(changes);
        for (PendingChange& change : changes) {
            ApplyWrites(change);
            change.held->file.Flush();
        }
        if (!changeSet.empty())
            CommitChangeSet(first, changeSet, changes.front().held->file.Environment());
    } catch (const FileException&) {
        RollBackAll(changes, stored);
        if (!changeSet.empty())
            ForgetChangeSetUnlessNamed(first, changeSet);
        throw;
    }
    if (!changeSet.empty()) {
        // Committed: a journal that cannot be removed names a marker that is gone, and its file's next
        // opener removes it without undoing anything.
        for (const PendingChange& change : changes) {
            try {
                RemoveJournal(change.held->file.GetFileName(), change.held->file.Environment());
            } catch (const FileException&) {
            }
        }
        FlushFolders(changes);
        return;
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        try {
            RemoveJournal(changes[i].held->file.GetFileName(), changes[i].held->file.Environment());
        } catch (const FileException&) {
            // A journal that stays would undo its change later: undo it now and say so.
            std::vector<PendingChange> rest(changes.begin() + static_cast<ptrdiff_t>(i), changes.end());
            RollBackAll(rest, rest.size());
            throw;
        }
    }
    FlushFolders(changes);
}

} // namespace

void CommitChange(HeldFile& held, std::vector<Edit> edits)
{
    CommitChanges({ PrepareChange(held, std::move(edits)) });
}

uint64_t AppendOffset(const std::vector<unsigned char>& image)
{
    return image.empty() ? kFirstRecordOffset : image.size();
}

WritePlan PlanReplace(const std::vector<unsigned char>& image, uint8_t kind, uint8_t subKind, size_t dataLength)
{
    WritePlan plan;
    RecordChain chain(image);
    while (const auto record = chain.Next()) {
        if (record->kind != kind || record->subKind != subKind)
            continue;
        if (record->data.size() == dataLength) {
            plan.target = record->offset;
            break;
        }
        plan.superseded.push_back(record->offset);
    }
    return plan;
}

std::vector<Edit> WriteEdits(
    const std::vector<unsigned char>& image, const WritePlan& plan, std::vector<unsigned char> record)
{
    std::vector<Edit> edits;
    edits.push_back(Edit { plan.target ? *plan.target : AppendOffset(image), std::move(record) });
    for (const size_t superseded : plan.superseded)
        edits.push_back(Edit { superseded, { kDeletedKind } });
    return edits;
}

std::vector<unsigned char> RecordBytes(uint8_t kind, uint8_t subKind, std::span<const unsigned char> data)
{
    std::vector<unsigned char> bytes(kHeadSize + data.size());
    RecordHeader { kind, subKind, static_cast<uint16_t>(bytes.size()) }.Encode(bytes.data());
    std::copy(data.begin(), data.end(), bytes.begin() + kHeadSize);
    return bytes;
}

namespace {

// One file of ChangeRecords, held exclusively, with its record as it is now.
struct HeldRecord {
    explicit HeldRecord(const FileEnvironment& environment)
        : held(environment)
    {
    }

    HeldFile held;
    bool isNew = false;
    bool isMissing = false; // a file a deletion found missing, and leaves so
    bool isFound = false; // whether the file holds the record
    std::vector<unsigned char> bytes; // head and data
};

// Holds, checks and reads one file of a change; the failure says why not.
Status HoldRecord(HeldRecord& record, const RecordFileChange& change, const std::string& operation)
{
    if (change.size == 0 || change.size > kMaxDataLength)
        return Refused(Failure::Refusal::BadValue, operation, change.fileName,
            "a record of " + std::to_string(change.size) + " bytes cannot be stored");
    const bool deletes = !change.deletedSubKinds.empty();
    if (Status held = HoldToChange(record.held, change.fileName, operation, !deletes); !held) {
        record.isMissing = deletes && IsMissingFile(held.Error());
        return record.isMissing ? Status {} : held;
    }
    record.isNew = record.held.image.empty();
    if (!record.isNew)
        if (Status sound = CheckSound(record.held.image, change.fileName, operation); !sound)
            return sound;
    record.bytes.assign(kHeadSize + change.size, 0);
    const auto found = FindRecordIn(record.held.image, change.kind, change.subKind, change.size);
    if (found)
        std::copy(found->data.begin(), found->data.end(), record.bytes.begin() + kHeadSize);
    record.isFound = found.has_value();
    if (change.presence == RecordPresence::Absent && record.isFound)
        return Refused(Failure::Refusal::AlreadyExists, operation, change.fileName, "the record is there already");
    if (change.presence == RecordPresence::Present && !record.isFound)
        return Refused(Failure::Refusal::NotFound, operation, change.fileName, "no such record");
    return {};
}

// The deletions a part asks for: the record a reader takes for each sub-kind, if it fills the size
// exactly (a shorter record of it is left alone).
std::vector<Edit> DeletionEdits(const HeldRecord& record, const RecordFileChange& change)
{
    std::vector<Edit> edits;
    for (const uint8_t subKind : change.deletedSubKinds) {
        const auto found = FindRecordIn(record.held.image, change.kind, subKind, change.size);
        if (found && found->data.size() == change.size)
            edits.push_back(Edit { found->offset, { kDeletedKind } });
    }
    return edits;
}

} // namespace

} // namespace recordparts

using namespace recordparts;

Result<bool> RecordFile::ChangeRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, size_t size,
    const ChangeFunction& change, const std::string& operation)
{
    const RecordFileChange one { fileName, kind, subKind, size, change, {}, RecordPresence::Any };
    return ApplyChanges(std::span(&one, 1), operation, *m_environment);
}

RecordChangeOutcome RecordChangeOutcome::Of(const Result<bool>& changed)
{
    if (changed)
        return { *changed ? RecordChangeResult::Written : RecordChangeResult::Declined, {}, {} };
    const Failure& failure = changed.Error();
    return { failure.refusal == Failure::Refusal::Damaged ? RecordChangeResult::Damaged : RecordChangeResult::NotOpened,
        failure.fileName, failure.detail };
}

Result<bool> RecordFile::ApplyChanges(
    std::span<const RecordFileChange> changes, const std::string& operation, const FileEnvironment& environment)
{
    // Every file is held before any is written, in the caller's order, so that two programs changing
    // the same files in the same order cannot each hold what the other waits for.
    std::vector<std::unique_ptr<HeldRecord>> held;
    for (const RecordFileChange& change : changes) {
        held.push_back(std::make_unique<HeldRecord>(environment));
        if (Status holding = HoldRecord(*held.back(), change, operation); !holding)
            return holding.Error();
    }
    std::vector<PendingChange> pending;
    bool anyWritten = false;
    for (size_t i = 0; i < changes.size(); ++i) {
        HeldRecord& record = *held[i];
        const RecordFileChange& change = changes[i];
        if (record.isMissing)
            continue;
        if (!change.deletedSubKinds.empty()) {
            // Only a real change is sealed: re-sealing an untouched file would add nothing.
            if (std::vector<Edit> edits = DeletionEdits(record, change); !edits.empty()) {
                pending.push_back(PrepareChange(record.held, std::move(edits)));
                anyWritten = true;
            }
        } else if (change.change(std::span(record.bytes).subspan(kHeadSize))) {
            RecordHeader { change.kind, change.subKind, static_cast<uint16_t>(record.bytes.size()) }.Encode(
                record.bytes.data());
            const WritePlan plan = PlanReplace(record.held.image, change.kind, change.subKind, change.size);
            pending.push_back(PrepareChange(record.held, WriteEdits(record.held.image, plan, record.bytes)));
            anyWritten = true;
        } else if (record.isNew) {
            // A file created for a change that was then not made still gets its header: an empty
            // record file holds nothing, as the missing one did.
            pending.push_back(PrepareChange(record.held, {}));
        }
    }
    CommitChanges(std::move(pending));
    return anyWritten;
}

} // namespace custodia
