#include "groups/ProfileFieldRules.h"

#include "store/GroupRecord.h"
#include "ui/WordText.h"

namespace custodia {

GroupNumberReading ReadGroupNumber(const QString& text)
{
    GroupNumberReading reading;
    reading.trimmedText = text.trimmed();
    int number = 0;
    int digits = 0;
    for (const QChar character : reading.trimmedText) {
        if (character < QLatin1Char('0') || character > QLatin1Char('9'))
            break;
        number = number * 10 + (character.unicode() - '0');
        ++digits;
        // Larger numbers are refused all the same; stopping keeps the sum from overflowing.
        if (number > kHighestGroupNumber)
            return reading;
    }
    if (digits > 0)
        reading.number = number;
    return reading;
}

GroupNameValidator::GroupNameValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State GroupNameValidator::validate(QString& input, int&) const
{
    // A character the code page lacks is let in, to be refused by name on OK.
    const auto stored = ToStoredText(input);
    if (!stored)
        return Intermediate;
    return stored->size() <= grouprecord::kMaxNameLength ? Acceptable : Invalid;
}

} // namespace custodia
