// Numbers as the read-out controls show them: at least one integer digit, exactly `decimals`
// decimals, rounded, with the current locale's decimal separator and no digit grouping.
#pragma once

#include <QString>

QString format_fixed(long double value, int decimals);
