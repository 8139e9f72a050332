#include "app/EditCommandState.h"

#include "app/WordText.h"

namespace custodia {

EditCommandState MakeEditCommandState(const WordTable& words, ListMode mode, bool hasSelection)
{
    const auto word = [&](int number) { return WordText(words, number); };
    EditCommandState state;
    const std::optional<int> noun = ModeNounWord(mode);
    if (!noun) {
        state.createText = word(923);
        state.editText = word(924);
        state.deleteText = word(925);
        return state;
    }
    const QString nounText = word(*noun);
    // Login paths are added to and removed from the managed list, not created and deleted.
    const bool loginPaths = mode == ListMode::LoginPaths || mode == ListMode::Categories;
    const bool databasePaths = mode == ListMode::DatabasePaths;
    state.createText = word(loginPaths ? 933 : 923) + QLatin1Char(' ') + nounText + QStringLiteral("...");
    state.deleteText = word(loginPaths ? 939 : 925) + QLatin1Char(' ') + nounText;
    state.editText = loginPaths ? word(924) : word(924) + QLatin1Char(' ') + nounText + QStringLiteral("...");
    state.createEnabled = !databasePaths;
    state.deleteEnabled = hasSelection && !databasePaths;
    state.editEnabled = hasSelection;
    return state;
}

} // namespace custodia
