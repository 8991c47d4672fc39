#include "platformui/NumberField.h"

#include <QLocale>
#include <cmath>

QString FormatDoubleField(double v) { return QLocale::c().toString(v, 'g', 15); }

bool ParseDoubleField(const QString& text, double& out) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) return false;
    out = v;
    return true;
}
