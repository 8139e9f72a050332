#pragma once

#include <QString>
#include <QValidator>

#include <optional>

namespace custodia {

// The highest group number: the number is the sub-kind byte of the group's records.
inline constexpr int kHighestGroupNumber = 255;
// The number edits take at most three digits.
inline constexpr int kGroupNumberDigits = 3;

// What a number edit's text gives: the text without white space at either end, and the group number
// its leading digits make, when that is 0..255. A text without leading digits gives no number.
struct GroupNumberReading {
    QString trimmedText;
    std::optional<int> number;
};

GroupNumberReading ReadGroupNumber(const QString& text);

// Refuses an edit that would make the group name longer than its stored field, counting stored bytes,
// so that a name is never cut (nor written past its field) when it is saved.
class GroupNameValidator final : public QValidator {
    Q_OBJECT

public:
    explicit GroupNameValidator(QObject* parent = nullptr);

    State validate(QString& input, int& position) const override;
};

} // namespace custodia
