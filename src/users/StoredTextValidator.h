#pragma once

#include <QValidator>

#include <cstddef>

class QLineEdit;

namespace custodia {

// Refuses input that would not fit a stored text field. The fields count stored bytes, not
// characters, so a limit in characters would let a long text in and cut it silently on save.
class StoredTextValidator final : public QValidator {
    Q_OBJECT

public:
    StoredTextValidator(size_t maxBytes, QObject* parent);

    State validate(QString& input, int& position) const override;
    size_t MaxBytes() const { return m_maxBytes; }

private:
    size_t m_maxBytes;
};

// Fits the field's validator; the field then takes no more than maxBytes stored bytes from typing.
void LimitStoredText(QLineEdit& field, size_t maxBytes);

// True when the text fits maxBytes stored bytes (a text put in by a program bypasses the validator).
bool FitsStoredText(const QString& text, size_t maxBytes);

} // namespace custodia
