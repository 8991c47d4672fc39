#pragma once
// Number edits of the dialogs: C-locale text both ways, whatever the
// user's locale.

#include <QString>
#include <string>

class QLineEdit;

// As the edits always showed a double: up to 15 significant digits.
QString FormatDoubleField(double v);
// Surrounding blanks allowed; anything else that is not a finite number fails.
bool ParseDoubleField(const QString& text, double& out);
// At most decimals places, rounded, without trailing zeros ("47.86",
// "5125400", never "-0"); what a field shows of a value kept more finely.
QString FormatRoundedField(double v, int decimals);
// Tells the user (a warning box) why the edit's text is not taken and puts
// the focus on it, its text selected, for the next try. Always false.
bool RefuseField(QLineEdit* edit, const std::string& message);
