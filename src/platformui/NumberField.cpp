#include "platformui/NumberField.h"

#include <QLineEdit>
#include <QLocale>
#include <cmath>

#include "platform/Prompt.h"

QString FormatDoubleField(double v) { return QLocale::c().toString(v, 'g', 15); }

bool ParseDoubleField(const QString& text, double& out) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) return false;
    out = v;
    return true;
}

QString FormatRoundedField(double v, int decimals) {
    QString t = QLocale::c().toString(v, 'f', decimals);
    if (t.contains(u'.')) {
        while (t.endsWith(u'0')) t.chop(1);
        if (t.endsWith(u'.')) t.chop(1);
    }
    if (t == QLatin1String("-0")) t = QStringLiteral("0");
    return t;
}

bool RefuseField(QLineEdit* edit, const std::string& message) {
    MsgBox(message, MB_OK | MB_ICONWARNING);
    edit->setFocus();
    edit->selectAll();
    return false;
}
