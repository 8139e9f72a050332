#include "ui/StoredTextValidator.h"

#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QLineEdit>

namespace custodia {

namespace {

std::optional<size_t> CountBytes(const QString& text, TextBytes bytes)
{
    if (bytes == TextBytes::Path)
        return ToPath(text).Bytes().size();
    if (const auto stored = ToStoredText(text))
        return stored->size();
    return std::nullopt;
}

} // namespace

StoredTextValidator::StoredTextValidator(size_t maxBytes, QObject* parent, TextBytes bytes)
    : QValidator(parent)
    , m_maxBytes(maxBytes)
    , m_bytes(bytes)
{
}

QValidator::State StoredTextValidator::validate(QString& input, int&) const
{
    const auto count = CountBytes(input, m_bytes);
    if (!count)
        return Intermediate;
    return *count <= m_maxBytes ? Acceptable : Invalid;
}

void LimitStoredText(QLineEdit& field, size_t maxBytes, TextBytes bytes)
{
    field.setValidator(new StoredTextValidator(maxBytes, &field, bytes));
}

bool FitsStoredText(const QString& text, size_t maxBytes, TextBytes bytes)
{
    const auto count = CountBytes(text, bytes);
    return !count || *count <= maxBytes;
}

std::optional<std::string> StoredOrRefused(const QString& text, QWidget& field, UiServices& ui, const WordTable& words)
{
    QString refused;
    auto stored = ToStoredText(text, &refused);
    if (stored)
        return stored;
    ui.ShowMessage(&field, RefusedCharacterText(words, refused), WordText(words, Word::CheckYourInputCaption),
        UiServices::Icon::Critical, UiServices::Buttons::Ok);
    field.setFocus();
    return std::nullopt;
}

} // namespace custodia
