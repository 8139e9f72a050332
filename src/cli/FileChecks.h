#pragma once

#include "cli/Arguments.h"

#include <string>

namespace custodia::cli {

// What a look at one shared file found.
struct FileCheck {
    bool present = false;
    bool damaged = false; // also set when the file could not be opened
    bool unopenable = false;
    int openCause = 0; // cause code of the failed open
    std::string reason; // why it is damaged or could not be opened
};

// A record file: present or not, and whether its checksum, header record and stored length agree.
FileCheck CheckRecordFile(const std::string& fileName);
// "tessel.pwd" of a login path: present or not, and whether the store can use it at all (whole header,
// right title).
FileCheck CheckPasswordFile(const std::string& loginPath);

// What is wrong with a file, for messages: "damaged (reason)", or why it could not be opened.
std::string DescribeProblem(const FileCheck& check);

// The cause of the latest open of this command that failed, for the message of a store call that
// reports only its failure: ": CAUSE" when it was the named file, "; FILE: CAUSE" when another;
// empty when no open failed.
std::string OpenFailureCause(const std::string& fileName);

// Refuses to change a record file that is damaged: writing into it would seal the damage in as valid.
// A missing file is fine; the change creates it.
void RequireUndamagedRecordFile(const std::string& fileName);
// Refuses to report on a damaged record file as if it were empty.
void RequireReadableRecordFile(const std::string& fileName);

// A login path operand: within the length limit and an existing folder, so that no operation waits
// out the retries of a path that cannot exist.
std::string LoginPathOperand(const ParsedArguments& arguments, size_t index, const std::string& what = "login path");

} // namespace custodia::cli
