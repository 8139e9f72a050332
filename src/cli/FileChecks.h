#pragma once

#include "cli/Arguments.h"
#include "platform/Result.h"
#include "store/FileReadResult.h"

#include <string>
#include <vector>

namespace custodia::cli {

// "tessel.pwd" of a login path: whether the store can use it at all (whole header, right title). A torn
// tail or a wrong record count counts as read: the store reads and writes such a file soundly.
FileReadResult CheckPasswordFile(const std::string& loginPath);

// What is wrong with a file, for messages: "no such file", "damaged (reason)", or why it could not be
// opened.
std::string DescribeProblem(const FileReadResult& read);

// The line for a service's failure: "FILE: damaged (WHY)" and "FILE: no such file" in the words of
// the readers' messages, everything else as DescribeFailure says it; the consequence is appended.
std::string FailureMessage(const Failure& failure, const std::string& consequence = "");
// Goes on when the service did what it was asked; otherwise the command fails with that line.
void Require(const Status& status, const std::string& consequence = "");

// Refuses to go on with a file that could be neither opened nor trusted: reporting on it would show
// it as empty, and writing into it would seal the damage in as valid. A missing file is fine. The
// consequence is appended to the message.
void RequireUsable(const std::string& fileName, const FileReadResult& read, const std::string& consequence = "");

// The record files a folder may hold, in the order they are reported: the twelve profile files and the
// database list of a login path, the office names of a database folder, the list of managed login paths
// of the program's folder.
std::vector<std::string> RecordFileNames();

// A login path operand: within the length limit and an existing folder, so that no operation waits
// out the retries of a path that cannot exist.
std::string FolderOperand(const ParsedArguments& arguments, size_t index, const std::string& what = "login path");
// The same, for a command that works on the folder: first every change there that a killed program cut
// short, and that nobody holds, is undone, so that no program of the suite keeps reading it half done.
std::string LoginPathOperand(const ParsedArguments& arguments, size_t index, const std::string& what = "login path");

} // namespace custodia::cli
