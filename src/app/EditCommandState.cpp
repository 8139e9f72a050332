#include "app/EditCommandState.h"

#include "ui/WordText.h"

namespace custodia {

EditCommandState MakeEditCommandState(const WordTable& words, ListMode mode, bool hasSelection)
{
    const auto word = [&](Word name) { return WordText(words, name); };
    EditCommandState state;
    const std::optional<Word> noun = ModeNounWord(mode);
    if (!noun) {
        state.createText = word(Word::CreateCommand);
        state.editText = word(Word::EditCommand);
        state.deleteText = word(Word::DeleteCommand);
        return state;
    }
    const QString nounText = word(*noun);
    // Login paths are added to and removed from the managed list, not created and deleted.
    const bool loginPaths = mode == ListMode::LoginPaths || mode == ListMode::Categories;
    const bool databasePaths = mode == ListMode::DatabasePaths;
    state.createText = word(loginPaths ? Word::AddCommand : Word::CreateCommand) + QLatin1Char(' ') + nounText
        + QStringLiteral("...");
    state.deleteText = word(loginPaths ? Word::RemoveCommand : Word::DeleteCommand) + QLatin1Char(' ') + nounText;
    state.editText = loginPaths ? word(Word::EditCommand)
                                : word(Word::EditCommand) + QLatin1Char(' ') + nounText + QStringLiteral("...");
    state.createEnabled = !databasePaths;
    state.deleteEnabled = hasSelection && !databasePaths;
    state.editEnabled = hasSelection;
    return state;
}

} // namespace custodia
