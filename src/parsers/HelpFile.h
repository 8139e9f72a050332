#pragma once

#include "parsers/HelpText.h"

#include <optional>
#include <string>
#include <string_view>

namespace custodia {

// The help file of the help bar: "<base name>.<language extension>" in the current directory, or
// "<base name>.eng" when that one is missing or is not a help file. A help file is a text file whose
// first line holds "<BRENIC HELP FILE>"; that line is not shown, every further line is a paragraph of
// help text with its style tags (HelpText). Lines are read at most kMaxLineLength bytes at a time; a
// longer line goes on as a line of its own in the same paragraph.
class HelpFile final {
public:
    static constexpr const char* kMarker = "<BRENIC HELP FILE>";
    static constexpr const char* kFallbackExtension = "eng";
    static constexpr size_t kMaxLineLength = 998;

    // Loads the help text; the extension is the one the language file names ("eng" when it cannot be
    // read). An empty file is used too, and shows nothing. False, with an empty text, when no file can
    // be used. A read error in the first line makes a file unusable; a later one ends the text there.
    bool Load(const std::string& baseName, const std::string& languageExtension);

    // The name of the file in use ("" when none) and its text.
    const std::string& GetFileName() const { return m_fileName; }
    const HelpText& GetText() const { return m_text; }

private:
    // Opens the file through the shared-file layer and reads it if it is a help file.
    bool UseFile(const std::string& fileName);

    std::string m_fileName;
    HelpText m_text;
};

// The help text of a whole help file's bytes, read as Load reads a file; nothing when they are not a
// help file.
std::optional<HelpText> ParseHelpFile(std::string_view bytes);

} // namespace custodia
