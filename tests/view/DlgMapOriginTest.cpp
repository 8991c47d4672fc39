// "Map Origin Coordinates": the fit's values, shown read-only and rounded,
// each with its first digits in view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

#include "frame/DlgMapOrigin.h"

TEST(DlgMapOrigin, FieldsAreReadOnlyRoundedAndShowTheirFirstDigits) {
    const struct {
        MapOriginInfo info;
        const char* texts[8];
    } rows[] = {
        {{25000.123456789, 24999.5, 481234.56789, 5123456.0001, 179.99999, 0.386061183284594, 12.3456, 7},
         {"25000.123", "24999.5", "481234.568", "5123456", "180.000", "0.39", "12.35", "7"}},
        {{10000, 9999.9996, 370000.25, 5220000, -0.0001, 0, 1234.5, 2},
         {"10000", "10000", "370000.25", "5220000", "0.000", "0.00", "1234.50", "2"}},
    };
    for (const auto& r : rows) {
        CDlgMapOrigin dlg(r.info);
        dlg.show();
        QApplication::processEvents();
        for (int i = 0; i < 8; ++i) EXPECT_EQ(dlg.FieldText(i).toStdString(), r.texts[i]) << i;
        const QList<QLineEdit*> fields = dlg.findChildren<QLineEdit*>();
        ASSERT_EQ(fields.size(), 8);
        for (const QLineEdit* e : fields) {
            SCOPED_TRACE(e->text().toStdString());
            EXPECT_TRUE(e->isReadOnly());
            EXPECT_EQ(e->cursorPosition(), 0);
            EXPECT_GE(e->contentsRect().width() - 8, e->fontMetrics().horizontalAdvance(e->text()));
        }
    }
}
