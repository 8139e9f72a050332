#include "parsers/HelpFile.h"
#include "parsers/HelpSearch.h"
#include "parsers/HelpText.h"
#include "parsers/TextCharacters.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace custodia {
namespace {

using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

const std::string kBase = "Custodia Help";
const std::string kMarkerLine = "<BRENIC HELP FILE> test\n";

std::string InstalledHelpFile()
{
    return (std::filesystem::path(CUSTODIA_SOURCE_DIR) / "data/Custodia Help.eng").string();
}

// The characters of a range, as UTF-8.
std::string Range(const HelpText& help, int position, int length)
{
    return EncodeUtf8(help.Characters().substr(static_cast<size_t>(position), static_cast<size_t>(length)));
}

HelpStyle StyleAt(const HelpText& help, int position)
{
    for (const HelpStyleRun& run : help.Runs()) {
        if (position >= run.start && position < run.start + run.length)
            return run.style;
    }
    ADD_FAILURE() << "no run covers " << position;
    return HelpStyle::Plain;
}

// Runs must tile the text: the widget applies them one after the other.
void ExpectRunsCoverText(const HelpText& help)
{
    int next = 0;
    for (const HelpStyleRun& run : help.Runs()) {
        EXPECT_EQ(run.start, next);
        EXPECT_GT(run.length, 0);
        next = run.start + run.length;
    }
    EXPECT_EQ(next, help.Length());
}

// Help files are looked for by bare name in the current folder, and failed opens log there too.
class HelpFileTest : public ::testing::Test {
protected:
    void Write(const std::string& extension, const std::string& text) { WriteText(Name(extension), text); }
    std::string Name(const std::string& extension) const { return m_folder.file(kBase + "." + extension); }

    const HelpText& Load(const std::string& extension = "eng")
    {
        m_loaded = m_help.Load(kBase, extension);
        return m_help.GetText();
    }

    TempDir m_folder;
    ScopedCurrentDirectory m_current { m_folder.path() };
    HelpFile m_help;
    bool m_loaded = false;
};

TEST_F(HelpFileTest, InstalledHelpHasItsTitlesAsContents)
{
    std::ifstream in(InstalledHelpFile(), std::ios::binary);
    ASSERT_TRUE(in) << InstalledHelpFile();
    std::stringstream content;
    content << in.rdbuf();
    Write("eng", content.str());

    const HelpText& help = Load();
    ASSERT_TRUE(m_loaded);
    EXPECT_EQ(m_help.GetFileName(), kBase + ".eng");
    std::vector<std::string> expected;
    std::istringstream lines(content.str());
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const size_t tag = line.find("<T>");
        if (tag != std::string::npos)
            expected.push_back(line.erase(tag, 3));
    }
    ASSERT_GE(expected.size(), 5u);
    ASSERT_EQ(help.Titles().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const HelpTitle& title = help.Titles()[i];
        EXPECT_EQ(title.text, expected[i]);
        EXPECT_EQ(Range(help, title.position, title.length), title.text);
        EXPECT_EQ(StyleAt(help, title.position), HelpStyle::Title);
        EXPECT_TRUE(title.position == 0 || help.Characters()[static_cast<size_t>(title.position) - 1] == U'\n');
    }
    EXPECT_EQ(help.Titles()[0].text, "Welcome to Custodia");
    EXPECT_EQ(help.Titles()[0].position, 0);
    const std::string text = help.Text();
    for (const char* hidden : { "<BRENIC HELP FILE>", "<T>", "<B>", "<I>" })
        EXPECT_EQ(text.find(hidden), std::string::npos) << hidden;
    ExpectRunsCoverText(help);
}

TEST_F(HelpFileTest, PositionsCountALineEndAsOneCharacter)
{
    Write("eng", kMarkerLine + "<T>Users\nSome text.\n\n<T>Groups   \t\n<B>Bold line\nlast without end");
    const HelpText& help = Load();
    ASSERT_TRUE(m_loaded);
    EXPECT_EQ(help.Text(), "Users\nSome text.\n\nGroups   \t\nBold line\nlast without end");
    ASSERT_EQ(help.Titles().size(), 2u);
    EXPECT_EQ(help.Titles()[0].text, "Users");
    EXPECT_EQ(help.Titles()[0].position, 0);
    EXPECT_EQ(help.Titles()[1].text, "Groups");
    EXPECT_EQ(help.Titles()[1].position, 18);
    EXPECT_EQ(help.Titles()[1].length, 6);
    const std::vector<HelpStyle> styles
        = { HelpStyle::Title, HelpStyle::Plain, HelpStyle::Plain, HelpStyle::Title, HelpStyle::Bold, HelpStyle::Plain };
    ASSERT_EQ(help.Runs().size(), styles.size());
    for (size_t i = 0; i < styles.size(); ++i)
        EXPECT_EQ(help.Runs()[i].style, styles[i]) << "line " << i;
    EXPECT_EQ(help.Runs()[0].length, 6); // "Users" and its break
    ExpectRunsCoverText(help);
}

// Help files come from Windows: the same file with "\r\n" line ends must give the same positions.
TEST_F(HelpFileTest, WindowsLineEndsGiveTheSameText)
{
    Write("eng", "<BRENIC HELP FILE>\r\n<T>Users\r\nA\rB\r\n<I>x\r\n");
    const HelpText& help = Load();
    EXPECT_EQ(help.Characters(), U"Users\nA\uFFFDB\nx\n"); // a stray CR is no line end
    EXPECT_EQ(help.Titles().at(0).length, 5);
    EXPECT_EQ(help.Length(), 12);
}

struct TagCase {
    const char* line;
    const char* text;
    HelpStyle style;
};

class HelpTagTest : public ::testing::TestWithParam<TagCase> { };

TEST_P(HelpTagTest, FirstOfEachTagIsRemovedAndTheHighestStyleWins)
{
    std::string line = GetParam().line;
    EXPECT_EQ(TakeHelpStyleTags(line), GetParam().style);
    EXPECT_EQ(line, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Lines, HelpTagTest,
    ::testing::Values(TagCase { "<T>Users", "Users", HelpStyle::Title },
        TagCase { "<B>bold and <I>italic", "bold and italic", HelpStyle::Bold },
        TagCase { "<I>italic<BI>", "italic", HelpStyle::Italic }, TagCase { "<BI>both", "both", HelpStyle::BoldItalic },
        TagCase { "<I><T>middle <B>", "middle ", HelpStyle::Title },
        TagCase { "<B>twice<B>", "twice<B>", HelpStyle::Bold },
        TagCase { "<BI><BI><I><I>", "<BI><I>", HelpStyle::Italic },
        // Tags are case-sensitive and must be closed.
        TagCase { "<t>lower <b>", "<t>lower <b>", HelpStyle::Plain },
        TagCase { "open <T and <B", "open <T and <B", HelpStyle::Plain },
        // Removing one tag can close another: each is looked for in what the ones before it left.
        TagCase { "<B<I>>x", "<B>x", HelpStyle::Italic }, TagCase { "<<T>B>x", "x", HelpStyle::Title }));

TEST(HelpStyleLookTest, HeightsAndColours)
{
    EXPECT_EQ(HelpStyleHeight(HelpStyle::Title, 19), 28);
    for (HelpStyle style : { HelpStyle::Bold, HelpStyle::Italic, HelpStyle::BoldItalic, HelpStyle::Plain })
        EXPECT_EQ(HelpStyleHeight(style, 19), 21);
    const HelpStyleLook plain = LookOfHelpStyle(HelpStyle::Plain);
    EXPECT_EQ((std::vector<int> { plain.red, plain.green, plain.blue }), (std::vector<int> { 0, 60, 181 }));
    EXPECT_FALSE(plain.bold || plain.italic);
    const HelpStyleLook boldItalic = LookOfHelpStyle(HelpStyle::BoldItalic);
    EXPECT_TRUE(boldItalic.bold && boldItalic.italic);
    EXPECT_EQ(boldItalic.red + boldItalic.green + boldItalic.blue, 0);
}

struct LanguageCase {
    const char* name;
    const char* language; // the language's file, nullptr for none; "/" for a folder of that name
    const char* english;
    const char* extension;
    const char* used; // "" when no file can be used
    const char* text;
};

const LanguageCase kLanguageCases[] = {
    { "LanguageFileWins", "<BRENIC HELP FILE>\nHilfe\n", "<BRENIC HELP FILE>\nHelp\n", "ger", "ger", "Hilfe\n" },
    { "MissingLanguageFallsBack", nullptr, "<BRENIC HELP FILE>\nHelp\n", "ger", "eng", "Help\n" },
    { "NonHelpLanguageFallsBack", "Hilfe\n<BRENIC HELP FILE>\n", "x <BRENIC HELP FILE> y\nHelp\n", "ger", "eng",
        "Help\n" },
    { "EmptyLineOneIsNoHelp", "\n<BRENIC HELP FILE>\n", "<BRENIC HELP FILE>\nHelp", "ger", "eng", "Help" },
    { "FolderFallsBack", "/", "<BRENIC HELP FILE>\nHelp\n", "ger", "eng", "Help\n" },
    { "EmptyLanguageFileIsUsed", "", "<BRENIC HELP FILE>\nHelp\n", "ger", "ger", "" },
    { "EmptyEnglishFileIsUsed", nullptr, "", "ger", "eng", "" },
    { "NonHelpEnglishIsNotShown", nullptr, "Help\n", "ger", "", "" },
    { "NothingThere", nullptr, nullptr, "ger", "", "" },
    { "MarkerOnlyIsCaseSensitive", nullptr, "<brenic help file>\nHelp\n", "eng", "", "" },
    // A separator in the extension would reach outside the folder.
    { "ExtensionWithSeparatorIsIgnored", nullptr, "<BRENIC HELP FILE>\nHelp\n", "../ger", "eng", "Help\n" },
};

class HelpLanguageTest : public HelpFileTest, public ::testing::WithParamInterface<LanguageCase> { };

TEST_P(HelpLanguageTest, ChoosesTheFileToShow)
{
    const LanguageCase& c = GetParam();
    if (c.language != nullptr && std::string(c.language) == "/")
        std::filesystem::create_directory(Name(c.extension));
    else if (c.language != nullptr)
        Write(c.extension, c.language);
    if (c.english != nullptr)
        Write("eng", c.english);

    const HelpText& help = Load(c.extension);
    const std::string used = *c.used ? kBase + "." + c.used : "";
    EXPECT_EQ(m_loaded, !used.empty());
    EXPECT_EQ(m_help.GetFileName(), used);
    EXPECT_EQ(help.Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Files, HelpLanguageTest, ::testing::ValuesIn(kLanguageCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpFileTest, ReloadingForgetsTheEarlierText)
{
    Write("eng", kMarkerLine + "<T>One\n");
    Load();
    Write("eng", "not help\n");
    const HelpText& help = Load();
    EXPECT_FALSE(m_loaded);
    EXPECT_TRUE(help.Empty());
    EXPECT_TRUE(help.Titles().empty());
    EXPECT_TRUE(help.Runs().empty());
}

// A line is read 998 bytes at a time; the rest goes on in the same paragraph, as a line of its own with
// its own tags and style.
TEST_F(HelpFileTest, LongLineContinuesAsLinesOfItsOwn)
{
    const std::string first = "<B>" + std::string(HelpFile::kMaxLineLength - 3, 'a');
    const std::string second = "<T>" + std::string(HelpFile::kMaxLineLength - 3, 'b');
    Write("eng", kMarkerLine + first + second + "<I>tail\n" + std::string(HelpFile::kMaxLineLength, 'c') + "\nz\n");
    const HelpText& help = Load();
    ASSERT_EQ(help.Runs().size(), 5u);
    EXPECT_EQ(help.Runs()[0].style, HelpStyle::Bold);
    EXPECT_EQ(help.Runs()[0].length, 995);
    EXPECT_EQ(help.Runs()[1].style, HelpStyle::Title);
    EXPECT_EQ(help.Runs()[1].start, 995);
    EXPECT_EQ(help.Runs()[2].style, HelpStyle::Italic);
    EXPECT_EQ(help.Runs()[2].length, 5); // "tail" and the break
    // A line of exactly the limit is one line: its line end is not a line of its own.
    EXPECT_EQ(help.Runs()[3].length, 999);
    EXPECT_EQ(help.Runs()[4].length, 2);
    ASSERT_EQ(help.Titles().size(), 1u);
    EXPECT_EQ(help.Titles()[0].text, std::string(995, 'b'));
    EXPECT_EQ(help.Text().find('\n'), 995u * 2 + 4);
}

TEST_F(HelpFileTest, MarkerLineIsNotShownHoweverLong)
{
    Write("eng", "<BRENIC HELP FILE>" + std::string(5000, 'x') + "\r\n<T>Users\n");
    EXPECT_EQ(Load().Text(), "Users\n");

    // The marker is looked for in what one read takes.
    Write("eng", std::string(HelpFile::kMaxLineLength, ' ') + "<BRENIC HELP FILE>\nHelp\n");
    EXPECT_TRUE(Load().Empty());
    EXPECT_FALSE(m_loaded);
}

TEST_F(HelpFileTest, BinaryBytesKeepPositionsConsistent)
{
    std::string line = "<T>A\xC3\xA4"; // "Aä"
    line += std::string("\0\x01\x7F", 3);
    line += "\xFF\xE2\x82\n"; // a byte that is no UTF-8 and a cut sequence
    line += "\xF0\x9F\x98\x80 ok\n"; // a character beyond 16 bits
    Write("eng", kMarkerLine + line);
    const HelpText& help = Load();
    ASSERT_EQ(help.Titles().size(), 1u);
    const std::u32string expected = U"A\u00E4\uFFFD\uFFFD\uFFFD\u00FF\u00E2\u201A\n\uFFFD ok\n";
    EXPECT_EQ(help.Characters(), expected);
    EXPECT_EQ(DecodeText(help.Text()), expected);
    EXPECT_EQ(help.Titles()[0].length, 8);
    ExpectRunsCoverText(help);
}

// A UTF-8 character at the end of a 998-byte read is not cut in two.
TEST_F(HelpFileTest, ReadsDoNotSplitACharacter)
{
    Write("eng", kMarkerLine + std::string(HelpFile::kMaxLineLength - 1, 'a') + "\xC3\xA4" + "b\n");
    const HelpText& help = Load();
    ASSERT_EQ(help.Runs().size(), 2u);
    EXPECT_EQ(help.Runs()[0].length, 997);
    EXPECT_EQ(help.Characters().substr(997), U"\u00E4b\n");
}

// The same bytes read in memory give what the file gives. Lines of two- and three-byte characters are
// cut inside a character at each alignment, once just where a file read (4096 bytes) ends, and the
// character goes on whole in the next piece.
TEST_F(HelpFileTest, BytesInMemoryReadAsTheFileDoes)
{
    std::vector<std::string> files = { "", "not help\n" + kMarkerLine, kMarkerLine + "<T>Users\r\nA\rB\r\n<I>x" };
    std::vector<std::u32string> lastLines(files.size());
    auto addLongLine = [&](const std::string& before, const std::string& line) {
        files.push_back(kMarkerLine + before + line + "\n");
        lastLines.push_back(DecodeText(line) + U"\n");
    };
    for (const std::string character : { "\xC3\xA4", "\xE2\x82\xAC" }) {
        std::string characters;
        while (characters.size() < 3 * HelpFile::kMaxLineLength)
            characters += character;
        for (size_t pad = 0; pad < 3; ++pad)
            addLongLine("", std::string(pad, 'a') + characters);
        // After a first line of 3074 bytes, the first piece of the second ends at 4096 with the first
        // byte of a character.
        addLongLine(
            std::string(4096 - kMarkerLine.size() - HelpFile::kMaxLineLength - 1, 'p') + "\n", "a" + characters);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        Write("eng", files[i]);
        const HelpText& loaded = Load();
        const std::optional<HelpText> parsed = ParseHelpFile(files[i]);
        ASSERT_EQ(parsed.has_value(), m_loaded) << i;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->Characters(), loaded.Characters()) << i;
        ASSERT_EQ(parsed->Runs().size(), loaded.Runs().size()) << i;
        for (size_t r = 0; r < loaded.Runs().size(); ++r) {
            EXPECT_EQ(parsed->Runs()[r].start, loaded.Runs()[r].start) << i;
            EXPECT_EQ(parsed->Runs()[r].style, loaded.Runs()[r].style) << i;
        }
        EXPECT_EQ(parsed->Titles().size(), loaded.Titles().size()) << i;
        if (!lastLines[i].empty()) {
            const std::u32string& characters = parsed->Characters();
            ASSERT_GE(characters.size(), lastLines[i].size()) << i;
            EXPECT_EQ(characters.substr(characters.size() - lastLines[i].size()), lastLines[i]) << i;
        }
    }
}

TEST(HelpTextTest, StopsGrowingAtItsLimit)
{
    HelpText help;
    const std::string quarter(HelpText::kMaxCharacters / 4, 'x');
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(help.AppendLine(quarter, true));
    EXPECT_TRUE(help.AppendLine(quarter.substr(3), false));
    EXPECT_FALSE(help.AppendLine("<T>x", false));
    EXPECT_EQ(help.Length(), static_cast<int>(HelpText::kMaxCharacters));
    EXPECT_TRUE(help.Titles().empty());
}

struct DecodeCase {
    const char* bytes;
    std::u32string characters;
};

// Help files in other languages may still be Windows single-byte text: whatever is not well-formed
// UTF-8 is taken byte by byte.
TEST(TextCharactersTest, DecodesUtf8AndTakesAnythingElseByteByByte)
{
    const DecodeCase cases[] = {
        { "\xE2\x82\xAC", U"\u20AC" }, { "\xC0\xAF", U"\u00C0\u00AF" }, // overlong
        { "\xED\xA0\x80", U"\u00ED\u00A0\u20AC" }, // a surrogate
        { "\xF4\x90\x80\x80", U"\u00F4\uFFFD\u20AC\u20AC" }, // past U+10FFFF
        { "a\xE2\x82", U"a\u00E2\u201A" }, // cut at the end
        { "\xF0\x9F\x98\x80", U"\uFFFD" }, // beyond 16 bits
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(DecodeText(c.bytes), c.characters) << c.bytes;
        EXPECT_EQ(DecodeText(EncodeUtf8(c.characters)), c.characters) << c.bytes;
    }
}

class HelpSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_help.AppendLine("Intro mentions users once.", true);
        m_help.AppendLine("<T>Users", true);
        m_help.AppendLine("Users have names. A USER may be deleted; every user belongs to a group.", true);
        m_help.AppendLine("<T>Groups", true);
        m_help.AppendLine("A group holds rights.", true);
        m_help.AppendLine("<B>Users again", true);
    }

    HelpText m_help;
};

struct ExpectedHit {
    HelpHit::Kind kind;
    int position;
    int length;
    const char* text;
};

TEST_F(HelpSearchTest, MatchesAreGroupedUnderTheirSectionsWithContext)
{
    using Kind = HelpHit::Kind;
    // A match before the first title has no section row; the title itself matches too; three more in
    // its section follow under the one row; the bold line under Groups brings the Groups row.
    const std::vector<ExpectedHit> expected = {
        { Kind::Match, 15, 4, "      ...Intro mentions users once." },
        { Kind::Section, 27, 5, "Users" },
        { Kind::Match, 27, 4, "      Users" },
        { Kind::Match, 33, 4, "      Users have names. A USER..." },
        { Kind::Match, 53, 4, "      A USER may be deleted; eve..." },
        { Kind::Match, 80, 4, "      ...y be deleted; every user belongs to a group...." },
        { Kind::Section, 105, 6, "Groups" },
        { Kind::Match, 134, 4, "      Users again" },
    };
    const std::vector<HelpHit> hits = SearchHelpText(m_help, "uSeR");
    ASSERT_EQ(hits.size(), expected.size());
    for (size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i].kind, expected[i].kind) << i;
        EXPECT_EQ(hits[i].position, expected[i].position) << i;
        EXPECT_EQ(hits[i].length, expected[i].length) << i;
        EXPECT_EQ(hits[i].text, expected[i].text) << i;
    }
}

TEST_F(HelpSearchTest, FindsNothingForEmptyOrAbsentText)
{
    EXPECT_TRUE(SearchHelpText(m_help, "").empty());
    EXPECT_TRUE(SearchHelpText(m_help, "administrator").empty());
    EXPECT_TRUE(SearchHelpText(HelpText(), "user").empty());
    // Longer than the whole text.
    EXPECT_TRUE(SearchHelpText(m_help, std::string(1000, 'u')).empty());
}

TEST(HelpSearchOverlapTest, MatchesDoNotOverlap)
{
    HelpText help;
    help.AppendLine("aaaaa", false);
    std::vector<int> positions;
    for (const HelpHit& hit : SearchHelpText(help, "aa"))
        positions.push_back(hit.position);
    EXPECT_EQ(positions, (std::vector<int> { 0, 2 }));
}

// Found by fuzzing: a title line with nothing left after its tags gives a section row whose range is
// empty but still inside the text, so the help bar scrolls there and highlights nothing.
TEST(HelpSearchEmptyTitleTest, SectionOfAnEmptyTitleHasAnEmptyRangeInsideTheText)
{
    HelpText help;
    help.AppendLine("<T><B>", true);
    help.AppendLine("a line", false);
    const std::vector<HelpHit> hits = SearchHelpText(help, "a");
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits.front().kind, HelpHit::Kind::Section);
    EXPECT_EQ(hits.front().length, 0);
    for (const HelpHit& hit : hits)
        EXPECT_LE(hit.position + hit.length, help.Length());
}

TEST(HelpSearchCaseTest, IgnoresCaseBeyondAscii)
{
    HelpText help;
    help.AppendLine("\xC4nderung und \xC3\xA4nderung", false); // Windows-1252 and UTF-8 in one file
    const std::vector<HelpHit> hits = SearchHelpText(help, "\xC3\x84NDERUNG");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].position, 0);
    EXPECT_EQ(hits[1].position, 13);
    EXPECT_EQ(hits[1].text, "      ...\xC3\x84nderung und \xC3\xA4nderung...");
}

struct ContextCase {
    const char* name;
    const char* text;
    const char* search;
    const char* context;
};

const ContextCase kContextCases[] = {
    { "AfterAFullStop", "Intro text here. Then the word appears later on in this line", "word",
        "      Then the word appears later on in..." },
    { "MiddleOfALongParagraph", "a long paragraph without any stop where the word sits deep inside it all", "word",
        "      ...any stop where the word sits deep inside it..." },
    { "CutAtTheLineEnd", "Short word line\nnext", "word", "      ...Short word line" },
    { "NewLineBeforeTheMatch", "First.\n   indented word", "word", "      indented word..." },
    { "FullStopRightBefore", "End.word", "word", "      word..." },
    { "AtTheVeryEnd", "the last word", "word", "      ...the last word..." },
};

class HelpContextTest : public ::testing::TestWithParam<ContextCase> { };

TEST_P(HelpContextTest, ShowsALittleOfTheTextAround)
{
    HelpText help;
    std::istringstream lines(GetParam().text);
    for (std::string line; std::getline(lines, line);)
        help.AppendLine(line, !lines.eof());
    const std::vector<HelpHit> hits = SearchHelpText(help, GetParam().search);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].text, GetParam().context);
}

INSTANTIATE_TEST_SUITE_P(Matches, HelpContextTest, ::testing::ValuesIn(kContextCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HelpContextCharactersTest, StrayLineEndsShowAsSpaces)
{
    EXPECT_EQ(HelpHitContext(U"a\rb word c\rd", 4, 4), "      ...a b word c d...");
}

} // namespace
} // namespace custodia
