#pragma once

#include "store/AuditTrailHold.h"

#include <string>
#include <vector>

namespace custodia {

// What a repair found in one file and what it did.
enum class RepairOutcome {
    Sound, // nothing to do
    Repaired, // a copy of the file as found was kept, then the file was mended
    Refused, // left as it is: see the detail
    Missing,
};

struct RepairReport {
    RepairOutcome outcome = RepairOutcome::Sound;
    std::string detail; // for people: what was wrong and what was done, or why nothing was
    std::string backupName; // the copy of the file as found, when one was kept
    // Journals of changes cut short that recovery kept aside, as the file had been changed since: a
    // person decides, so the file is not fine until they are gone.
    std::vector<std::string> keptJournals;

    bool IsFine() const
    {
        return (outcome == RepairOutcome::Sound || outcome == RepairOutcome::Repaired) && keptJournals.empty();
    }
};

// The copy a repair keeps beside the file: its name with ".bak". An existing copy is never overwritten:
// one identical to the file (left by a repair that was cut short) serves as the copy, any other stops
// the repair until it is moved away.
std::string BackupNameOf(const std::string& fileName);

// Mends a record file whose checksum or stored length is wrong while its header record and its chain of
// records are whole, as a program that died between writing its records and sealing the file leaves
// it: under the file's exclusive hold, keeps a copy of the file as found and seals it again. Every
// record stays as it was. Anything else (a broken chain, no header record, not a record file, a file
// that cannot be opened) is refused and left as it is. Throws FileException when a write fails; the
// file is then as it was.
RepairReport RepairRecordFile(const std::string& fileName);

// Mends the record count of a login path's "tessel.pwd" when it differs from the records in use, under
// the file's exclusive hold and with a copy kept. A count that would fall to 0 is refused: a folder
// holding such a file starts the console without a log-on. Anything else is refused (a torn record, a
// damaged header, an empty file) and left as it is. Throws FileException when the write fails.
RepairReport RepairPasswordFile(const std::string& loginPath);

// Repairs one file of the folder by its name ("tessel.pwd" or a record file, as above) inside a hold
// of the folder's audit trail: a file repaired leaves the line "file repaired" naming it, what was
// found and done and the copy kept. A trail that cannot be written refuses the repair before the file
// is touched, unless the folder's settings allow changes without a trail. Throws as the repairs do.
RepairReport RepairFileWithTrail(const std::string& folder, const std::string& name, const TrailOptions& trail);

} // namespace custodia
