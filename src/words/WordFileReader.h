#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace custodia {

// Called with the index of each entry of a word file, in order (the k-th entry is word base + k of the
// family that the loader names), and its word text as stored: "&", "<TAB>" and "<CR>" still in it.
using WordEntryVisitor = std::function<void(int64_t index, std::string_view text)>;

// Reads the bytes of a whole word file and hands every whole entry's word text to visit. True when the
// file is sound. A bad header gives no entries. An entry whose check byte is wrong is handed over all
// the same, but the file is not sound. A negative length, or a text cut off by the end of the bytes, ends
// the file as not sound; an entry head cut off by the end ends it quietly.
bool ReadWordImage(std::span<const unsigned char> image, const WordEntryVisitor& visit);

} // namespace custodia
