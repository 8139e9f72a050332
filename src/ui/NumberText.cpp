#include "ui/NumberText.h"

namespace custodia {

QString ZeroPadded(int number, int width)
{
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

} // namespace custodia
