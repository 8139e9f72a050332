#include "words/WordSource.h"

#include <gtest/gtest.h>

namespace custodia {
namespace {

TEST(WordSource, ReadsNumberedLinesAsTheyStand)
{
    WordSource source(10, 5);
    std::string error;
    ASSERT_TRUE(source.Read("# comment\n\n10 Hello\n11\t&Tab<TAB>bed  \r\n14   spaced out\n", "a.txt", error)) << error;
    const auto& words = source.GetWords();
    ASSERT_EQ(3u, words.size());
    EXPECT_EQ("Hello", words.at(10));
    EXPECT_EQ("&Tab<TAB>bed  ", words.at(11)); // trailing blanks are part of the text, CR is not
    EXPECT_EQ("spaced out", words.at(14));
}

TEST(WordSource, LaterSourcesReplaceEarlierTexts)
{
    WordSource source(0, 3);
    std::string error;
    ASSERT_TRUE(source.Read("0 File\n1 Edit\n", "eng", error));
    ASSERT_TRUE(source.Read("1 Bearbeiten\n", "ger", error));
    EXPECT_EQ("File", source.GetWords().at(0));
    EXPECT_EQ("Bearbeiten", source.GetWords().at(1));
}

TEST(WordSource, FaultyLinesNameTheirPlace)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        { "0 ok\n1 one\n1 again\n", "w.txt:3: word 1 is given twice" },
        { "5 too far\n", "w.txt:1: word 5 is outside 0..4" },
        { "-1 negative\n", "w.txt:1: word -1 is outside 0..4" },
        { "x text\n", "w.txt:1: a word line starts with its number" },
        { "3\n", "w.txt:1: the number is followed by a space and the text" },
        { "3x text\n", "w.txt:1: the number is followed by a space and the text" },
        { "3   \n", "w.txt:1: word 3 has no text" },
        { "99999999999999 big\n", "w.txt:1: a word line starts with its number" },
    };
    for (const Case& c : cases) {
        WordSource source(0, 5);
        std::string error;
        EXPECT_FALSE(source.Read(c.text, "w.txt", error)) << c.text;
        EXPECT_EQ(c.error, error);
    }
}

} // namespace
} // namespace custodia
