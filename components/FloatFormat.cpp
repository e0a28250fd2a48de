#include "components/FloatFormat.h"

#include <QLocale>
#include <algorithm>

QString format_fixed(long double value, int decimals) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Qt formats doubles; no value the controls show needs the extra precision of long double.
    return locale.toString(static_cast<double>(value), 'f', std::max(0, decimals));
}
