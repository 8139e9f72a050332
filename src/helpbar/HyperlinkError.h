#pragma once

#include <QString>

namespace custodia {

// Result codes of opening a link: above kLinkOpened is success; the others are the failure codes that
// HyperlinkErrorText explains.
inline constexpr int kLinkOpened = 32;
inline constexpr int kLinkFileNotFound = 2;
inline constexpr int kLinkAssociationIncomplete = 27;
inline constexpr int kLinkNoAssociation = 31;

inline bool LinkOpenSucceeded(int result)
{
    return result > kLinkOpened;
}

// The whole text of the message box shown when a link could not be opened. The texts are fixed, not
// words: the same in every language.
QString HyperlinkErrorText(int result);

} // namespace custodia
