#include "words/WordFileWriter.h"

#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "words/WordFileFormat.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace custodia {

namespace {

void CheckLength(const std::string& text)
{
    if (text.size() > static_cast<size_t>(wordfile::kMaxTextLength))
        throw std::invalid_argument("word text longer than 32767 bytes");
}

const unsigned char* Bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

void AppendEntry(std::vector<unsigned char>& out, const std::string& reference, const std::string& text)
{
    std::array<unsigned char, wordfile::kEntryHeadSize> head {};
    WriteUint16LE(head.data() + wordfile::kEntryFirstLengthOffset, static_cast<uint16_t>(reference.size()));
    head[wordfile::kEntryFirstCheckOffset] = wordfile::ByteSum8(Bytes(reference), reference.size());
    WriteUint16LE(head.data() + wordfile::kEntryWordLengthOffset, static_cast<uint16_t>(text.size()));
    head[wordfile::kEntryWordCheckOffset] = wordfile::ByteSum8(Bytes(text), text.size());
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), reference.begin(), reference.end());
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

WordFileWriter::WordFileWriter(std::string note)
    : m_note(std::move(note))
{
}

void WordFileWriter::Add(const std::string& text, const std::string& reference)
{
    CheckLength(text);
    CheckLength(reference);
    m_entries.push_back({ reference, text });
}

std::vector<unsigned char> WordFileWriter::Build() const
{
    std::vector<unsigned char> out(wordfile::kHeaderSize, 0);
    std::copy_n(wordfile::kMagic, wordfile::kMagicSize, out.begin());
    // The note stays clear of the checksum and keeps a terminating zero.
    const size_t noteRoom = wordfile::kChecksumOffset - wordfile::kMagicSize - 1;
    std::copy_n(m_note.begin(), std::min(m_note.size(), noteRoom), out.begin() + wordfile::kMagicSize);
    WriteUint16LE(
        out.data() + wordfile::kChecksumOffset, wordfile::SignedByteSum16(out.data(), wordfile::kChecksumOffset));
    for (const Entry& entry : m_entries)
        AppendEntry(out, entry.reference, entry.text);
    return out;
}

void WordFileWriter::Write(const std::string& fileName) const
{
    WriteWholeFile(fileName, Build());
}

void WordFileWriter::WriteLanguageFile(const std::string& fileName, const Language& language)
{
    WriteWholeFile(fileName, BuildLanguageFile(language));
}

void WriteWholeFile(const std::string& fileName, const std::vector<unsigned char>& bytes)
{
    File file;
    const int cause = file.OpenOnce(fileName, openflags::kWrite | openflags::kCreate | openflags::kBinary);
    if (cause != kCauseNone)
        throw FileException(cause, fileName);
    file.Write(bytes.data(), bytes.size());
    file.Close();
}

} // namespace custodia
