#pragma once

#include "cli/CliRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace custodia::test {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// Every test gets a fresh folder, which is also custodiactl's current folder, with an empty folder
// "lp" to use as a login path.
class CliTest : public ::testing::Test {
protected:
    CliTest();

    CliResult Run(const std::vector<std::string>& arguments, const std::string& input = "") const
    {
        return RunCli(m_dir.path(), arguments, input);
    }
    // Runs and expects success with nothing on stderr.
    CliResult RunOk(const std::vector<std::string>& arguments, const std::string& input = "") const;

    std::string LoginPath() const { return m_dir.file("lp"); }
    std::string FileOf(const std::string& name) const { return LoginPath() + "/" + name; }

    // Every file under the test's folder (or the one given) with its bytes, to show that a refused
    // command changed nothing.
    std::map<std::string, Bytes> Snapshot() const { return Snapshot(m_dir.path()); }
    static std::map<std::string, Bytes> Snapshot(const std::string& folder);

    TempDir m_dir;
};

Lines SplitLines(const std::string& text);
std::vector<std::string> SplitWords(const std::string& text);

// Whether the text holds the part, showing the text when it does not.
::testing::AssertionResult Contains(const std::string& text, const std::string& part);

// Breaks a record file's checksum without changing its length.
void DamageRecordFile(const std::string& fileName);
// Gives the file's first record the length and seals the file again, so that its checksum and stored
// length are right while its chain of records breaks off at once.
void BreakFirstRecordHead(const std::string& fileName, uint16_t length);

} // namespace custodia::test
