#include "cli/CliTest.h"

#include "platform/Endian.h"
#include "store/RecordFile.h"

#include <filesystem>

namespace custodia::test {

CliTest::CliTest()
{
    std::filesystem::create_directory(LoginPath());
}

CliResult CliTest::RunOk(const std::vector<std::string>& arguments, const std::string& input) const
{
    CliResult result = Run(arguments, input);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result;
}

std::map<std::string, Bytes> CliTest::Snapshot(const std::string& folder)
{
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = ReadBytes(entry.path().string());
    return files;
}

Lines SplitLines(const std::string& text)
{
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitWords(const std::string& text)
{
    std::vector<std::string> words;
    size_t start = 0;
    while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
        const size_t end = text.find(' ', start);
        words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end;
    }
    return words;
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << text << "' does not contain '" << part << "'";
}

void DamageRecordFile(const std::string& fileName)
{
    Bytes bytes = ReadBytes(fileName);
    bytes.back() ^= 0x5A;
    WriteBytes(fileName, bytes);
}

void BreakFirstRecordHead(const std::string& fileName, uint16_t length)
{
    Bytes bytes = ReadBytes(fileName);
    WriteUint16LE(bytes.data() + recordfile::kFirstRecordOffset + 2, length);
    WriteUint32LE(bytes.data() + recordfile::kChecksumOffset, RecordChecksum(bytes.data(), bytes.size()));
    WriteBytes(fileName, bytes);
}

} // namespace custodia::test
