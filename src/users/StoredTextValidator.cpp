#include "users/StoredTextValidator.h"

#include "app/WordText.h"

#include <QLineEdit>

namespace custodia {

StoredTextValidator::StoredTextValidator(size_t maxBytes, QObject* parent)
    : QValidator(parent)
    , m_maxBytes(maxBytes)
{
}

QValidator::State StoredTextValidator::validate(QString& input, int&) const
{
    return FitsStoredText(input, m_maxBytes) ? Acceptable : Invalid;
}

void LimitStoredText(QLineEdit& field, size_t maxBytes)
{
    field.setValidator(new StoredTextValidator(maxBytes, &field));
}

bool FitsStoredText(const QString& text, size_t maxBytes)
{
    return ToStoredText(text).size() <= maxBytes;
}

} // namespace custodia
