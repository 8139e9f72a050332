// The account files of AccountService beside the users and groups: the database list of the login
// path, the office names of a database folder and the installation's list of login paths.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "platform/FolderIdentity.h"
#include "platform/Platform.h"
#include "store/AuditTrailLines.h"
#include "store/FixedText.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/RecordFile.h"
#include "store/TextRules.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace custodia {

namespace {

// A text people entered that the field and the readers take as it is, or why not.
std::optional<std::string> RefusalOfText(const char* what, std::string_view text, size_t limit)
{
    if (text.size() > limit)
        return std::string(what) + " is longer than " + std::to_string(limit) + " bytes";
    if (HasControlCharacter(text))
        return std::string(what) + " holds a control character";
    return std::nullopt;
}

std::optional<std::string> RefusalOfSlot(const DatabaseSlot& value)
{
    using namespace databaselist;
    if (auto refusal = RefusalOfText("the database path", value.path, kMaxPathLength))
        return refusal;
    if (auto refusal = RefusalOfText("the mirror path", value.mirrorPath, kMaxPathLength))
        return refusal;
    return RefusalOfText("the description", value.description, kMaxDescriptionLength);
}

// The path text runs to the first zero byte, or to the end of the record when a foreign writer left none.
std::string PathOfRecord(std::span<const unsigned char> record)
{
    const auto end = std::find(record.begin(), record.end(), 0);
    return std::string(record.begin(), end);
}

Status Written(const Result<bool>& changed)
{
    if (!changed)
        return changed.Error();
    return {};
}

// A login path listed for a share that is not mounted now has no folder to keep a trail in: the
// list changes without a line then.
Status WithLoginPathTrail(const NativePath& loginPath, const TrailOptions& trail, const FileEnvironment& environment,
    const LoggedChange& change)
{
    std::error_code error;
    if (!std::filesystem::is_directory(loginPath.Bytes(), error)) {
        std::vector<TrailEntry> ignored;
        return change(ignored);
    }
    return ChangeWithTrail(loginPath, trail, environment, change);
}

} // namespace

Result<DatabaseList> AccountService::LoadDatabaseList() const
{
    DatabaseList list;
    const FileReadResult read = m_databases.Load(list);
    // A fresh login path has no list yet: ten empty slots.
    if (read.status == FileReadStatus::Missing)
        return DatabaseList();
    if (auto failure = FailureOfRead("the database list could not be read", m_databases.FileName(), read))
        return *failure;
    return list;
}

Status AccountService::SetDatabaseSlot(int slot, const DatabaseSlot& value) const
{
    return SetDatabaseSlot(slot, [&value](DatabaseSlot& stored) { stored = value; });
}

Status AccountService::SetDatabaseSlot(int slot, const SlotChange& change) const
{
    using namespace databaselist;
    const char* const operation = "the database list could not be saved";
    if (slot < 0 || slot >= kShownSlotCount)
        return Refused(Failure::Refusal::BadValue, operation, m_databases.FileName(),
            "database slot " + std::to_string(slot) + " is not one of 0.." + std::to_string(kShownSlotCount - 1));
    // The slot goes into the list as the file holds it inside the hold, so another program's change of
    // other slots stays.
    return ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        std::optional<std::string> refusal;
        DatabaseSlot before;
        DatabaseSlot after;
        const Result<bool> changed = m_databases.Change(
            [&](DatabaseList& list) {
                before = { list.GetPath(slot), list.GetMirrorPath(slot), list.IsMirrorOn(slot),
                    list.GetDescription(slot) };
                after = before;
                change(after);
                refusal = RefusalOfSlot(after);
                if (refusal)
                    return false;
                list.SetPath(slot, after.path);
                list.SetMirrorPath(slot, after.mirrorPath);
                list.SetMirrorOn(slot, after.mirrorOn);
                list.SetDescription(slot, after.description);
                return true;
            },
            operation);
        if (changed && refusal)
            return Status(Refused(Failure::Refusal::BadValue, operation, m_databases.FileName(), *refusal));
        if (changed && *changed) {
            if (std::optional<TrailEntry> line = DatabaseSlotLine(slot, before, after))
                lines.push_back(std::move(*line));
        }
        return Written(changed);
    });
}

Status SetOffice(const NativePath& databaseFolder, int office, std::string_view numberText, std::string_view name,
    const FileEnvironment& environment, const TrailOptions& trail)
{
    using namespace officenames;
    const char* const operation = "the office could not be saved";
    const std::string fileName = databaseFolder.Bytes() + kPathSeparator + kFileName;
    std::optional<std::string> refusal;
    if (office < 1 || office > kOfficeCount)
        refusal = "office " + std::to_string(office) + " is not one of 1.." + std::to_string(kOfficeCount);
    if (!refusal)
        refusal = RefusalOfText("the office number", numberText, kMaxNumberTextLength);
    if (!refusal)
        refusal = RefusalOfText("the office name", name, kMaxNameLength);
    if (refusal)
        return Refused(Failure::Refusal::BadValue, operation, fileName, *refusal);
    // A damaged file is left alone: writing into it would replace the offices it still holds, which
    // could not be read, with empty ones.
    const size_t entry = static_cast<size_t>(office - 1) * kEntrySize;
    return ChangeWithTrail(databaseFolder, trail, environment, [&](std::vector<TrailEntry>& lines) {
        std::string numberBefore;
        std::string nameBefore;
        const RecordFileChange change { fileName, kKind, kSubKind, kSize,
            [&](std::span<unsigned char> data) {
                numberBefore = ReadFixedText(data.data() + entry + kNumberTextOffset, kNumberTextSize);
                nameBefore = ReadFixedText(data.data() + entry + kNameOffset, kNameSize);
                WriteFixedText(data.data() + entry + kNumberTextOffset, kNumberTextSize, numberText);
                WriteFixedText(data.data() + entry + kNameOffset, kNameSize, name);
                return true;
            },
            {}, RecordPresence::Any };
        const Result<bool> changed = RecordFile::ApplyChanges(std::span(&change, 1), operation, environment);
        if (changed && *changed && (numberBefore != numberText || nameBefore != name))
            lines.push_back(OfficeNamedLine(databaseFolder.Bytes(), office, { numberBefore, nameBefore },
                { std::string(numberText), std::string(name) }));
        return Written(changed);
    });
}

Result<ManagedLoginPath> AddManagedLoginPath(const NativePath& listFile, const NativePath& loginPath,
    const FileEnvironment& environment, const TrailOptions& trail)
{
    using namespace loginpaths;
    const char* const operation = "the login path could not be added";
    const std::string& path = loginPath.Bytes();
    if (path.empty() || !LoginPathList::FitsRecord(path) || HasControlCharacter(path))
        return Refused(Failure::Refusal::BadValue, operation, listFile,
            "a login path has 1 to " + std::to_string(kMaxPathLength) + " bytes, none of them a control character");
    std::array<unsigned char, kRecordSize> record {};
    std::memcpy(record.data(), path.data(), path.size());
    const FolderIdentity folder(path);
    std::optional<std::string> listedAs;
    const Status stored = WithLoginPathTrail(loginPath, trail, environment, [&](std::vector<TrailEntry>& lines) {
        // Checked against the file itself under the same hold that appends, so that a folder another
        // program stored since the list was read is not stored twice.
        const Result<bool> appended = RecordFile(environment)
                                          .AppendRecordIfClear(
                                              listFile, kRecordKind, kRecordSubKind, record,
                                              [&](std::span<const unsigned char> stored) {
                                                  std::string listed = PathOfRecord(stored);
                                                  if (!FolderIdentity(listed).IsSameFolderAs(folder))
                                                      return false;
                                                  listedAs = std::move(listed);
                                                  return true;
                                              },
                                              operation);
        if (!appended)
            return Status(appended.Error());
        if (*appended)
            lines.push_back(LoginPathLine(true, path));
        return Status();
    });
    if (!stored)
        return stored.Error();
    return listedAs ? ManagedLoginPath { false, *listedAs } : ManagedLoginPath { true, path };
}

Status RemoveManagedLoginPath(const NativePath& listFile, const NativePath& loginPath,
    const FileEnvironment& environment, const TrailOptions& trail)
{
    using namespace loginpaths;
    const char* const operation = "the login path could not be removed";
    const std::string& path = loginPath.Bytes();
    // The first record that holds exactly this path, letter case included; a record another writer
    // filled to the last byte is listed, so it can be removed as well.
    return WithLoginPathTrail(loginPath, trail, environment, [&](std::vector<TrailEntry>& lines) {
        const Result<bool> removed
            = RecordFile(environment)
                  .DeleteFirstRecord(
                      listFile, kRecordKind, kRecordSubKind,
                      [&](std::span<const unsigned char> stored) { return PathOfRecord(stored) == path; }, operation);
        if (!removed && !IsMissingFile(removed.Error()))
            return Status(removed.Error());
        if (!removed || !*removed)
            return Status(Refused(Failure::Refusal::NotFound, operation, listFile, path + " is not listed"));
        lines.push_back(LoginPathLine(false, path));
        return Status();
    });
}

} // namespace custodia
