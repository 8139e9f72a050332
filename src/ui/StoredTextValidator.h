#pragma once

#include <QValidator>

#include <cstddef>
#include <optional>
#include <string>

class QLineEdit;
class QWidget;
class UiServices;

namespace custodia {

class WordTable;

// What a field's bytes are counted in: the suite's code page for stored texts, the platform's own
// bytes for a file path.
enum class TextBytes { Stored, Path };

// Refuses input that would not fit a stored text field. The fields count stored bytes, not
// characters, so a limit in characters would let a long text in and cut it silently on save. A
// character the code page lacks is let in, so that the field's owner refuses it by name on OK rather
// than the keystroke vanishing without a word.
class StoredTextValidator final : public QValidator {
    Q_OBJECT

public:
    StoredTextValidator(size_t maxBytes, QObject* parent, TextBytes bytes = TextBytes::Stored);

    State validate(QString& input, int& position) const override;
    size_t MaxBytes() const { return m_maxBytes; }

private:
    size_t m_maxBytes;
    TextBytes m_bytes;
};

// Fits the field's validator; the field then takes no more than maxBytes stored bytes from typing.
void LimitStoredText(QLineEdit& field, size_t maxBytes, TextBytes bytes = TextBytes::Stored);

// True when the text fits maxBytes stored bytes (a text put in by a program bypasses the validator).
// A text the code page cannot store is not judged here: StoredOrRefused refuses it.
bool FitsStoredText(const QString& text, size_t maxBytes, TextBytes bytes = TextBytes::Stored);

// The text as stored bytes. When the code page lacks one of its characters, shows the message that
// names it, puts the focus on the field and gives nothing: the text is refused, never stored without it.
std::optional<std::string> StoredOrRefused(const QString& text, QWidget& field, UiServices& ui, const WordTable& words);

} // namespace custodia
