#pragma once

#include <QString>

namespace custodia {

// A number with leading zeros to the width, as group numbers ("007") and database slots ("03") are shown.
QString ZeroPadded(int number, int width);

} // namespace custodia
