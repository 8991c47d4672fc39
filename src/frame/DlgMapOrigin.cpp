#include "frame/DlgMapOrigin.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include "platformui/NumberField.h"

CDlgMapOrigin::CDlgMapOrigin(const MapOriginInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Map Origin Coordinates");
    // A fixed count of decimals, without a sign on a value that rounds to 0.
    const auto fixed = [](double v, int decimals) {
        const QString t = QLocale::c().toString(v, 'f', decimals);
        return QLocale::c().toDouble(t) == 0.0 ? QLocale::c().toString(0.0, 'f', decimals) : t;
    };
    const QString texts[8] = {FormatRoundedField(info.scaleX, 3),
                              FormatRoundedField(info.scaleY, 3),
                              FormatRoundedField(info.easting, 3),
                              FormatRoundedField(info.northing, 3),
                              fixed(info.angle, 3),
                              fixed(info.averageDistance, 2),
                              fixed(info.maximumDistance, 2),
                              QString::number(info.count)};
    for (int i = 0; i < 8; ++i) {
        m_Fields[i] = new QLineEdit(texts[i], this);
        // Shown, not asked for: only OK or Cancel counts.
        m_Fields[i]->setReadOnly(true);
        // The first digits in view, should a text not fit.
        m_Fields[i]->setCursorPosition(0);
    }
    // A scale reads "1:" and its denominator.
    auto scaleRow = [this](QLineEdit* field) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("1:", this));
        row->addWidget(field);
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow("Map X scale:", scaleRow(m_Fields[0]));
    form->addRow("Map Y scale:", scaleRow(m_Fields[1]));
    form->addRow("Easting:", m_Fields[2]);
    form->addRow("Northing:", m_Fields[3]);
    form->addRow("Angle:", m_Fields[4]);

    auto* errors = new QGroupBox("Distance Error", this);
    auto* errorForm = new QFormLayout(errors);
    errorForm->addRow("Average distance:", m_Fields[5]);
    errorForm->addRow("Max distance:", m_Fields[6]);
    errorForm->addRow("Count:", m_Fields[7]);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(errors);
    layout->addWidget(buttons);
}

QString CDlgMapOrigin::FieldText(int i) const { return i >= 0 && i < 8 ? m_Fields[i]->text() : QString(); }

int CQtMapOriginDialog::RunMapOriginDialog(const MapOriginInfo& info) {
    CDlgMapOrigin dlg(info, m_Parent);
    return dlg.exec() == QDialog::Accepted ? 1 : 2;
}
