#include "words/WordFileReader.h"
#include "words/WordFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custodia {
namespace {

// The bytes of a word file, read without a file: the texts come as stored, for the table to expand.
TEST(WordFileReaderTest, HandsOverTheStoredTextsInOrder)
{
    const std::vector<std::string> stored = { "&File", "Open<TAB>Ctrl+O", "", "Line<CR>break" };
    std::vector<std::string> texts;
    const bool sound = ReadWordImage(test::WordFileBytes(stored), [&](int64_t index, std::string_view text) {
        EXPECT_EQ(index, static_cast<int64_t>(texts.size()));
        texts.emplace_back(text);
    });
    EXPECT_TRUE(sound);
    EXPECT_EQ(texts, stored);
    EXPECT_FALSE(ReadWordImage({}, [](int64_t, std::string_view) { ADD_FAILURE(); }));
}

} // namespace
} // namespace custodia
