#include "frame/DlgPrintSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Prompt.h"
#include "platformui/NumberField.h"

namespace {
const QPageSize::PageSizeId kPapers[] = {QPageSize::A3, QPageSize::A4,     QPageSize::A5,
                                         QPageSize::B5, QPageSize::Letter, QPageSize::Legal};
}  // namespace

CDlgPrintSetup::CDlgPrintSetup(QPrinter& printer, QWidget* parent) : QDialog(parent), m_Printer(printer) {
    setWindowTitle("Print Setup");
    auto* form = new QFormLayout;
    m_PrinterName = new QComboBox(this);
    m_PrinterName->setObjectName("printer");
    // Data: the printer's name; empty for a PDF file.
    for (const QString& name : QPrinterInfo::availablePrinterNames()) m_PrinterName->addItem(name, name);
    m_PrinterName->addItem("PDF file", QString());
    const bool pdf = printer.outputFormat() == QPrinter::PdfFormat;
    m_PrinterName->setCurrentIndex(pdf ? m_PrinterName->count() - 1
                                       : std::max(0, m_PrinterName->findData(printer.printerName())));
    form->addRow("&Printer:", m_PrinterName);

    m_Paper = new QComboBox(this);
    m_Paper->setObjectName("paper");
    const QPageLayout page = printer.pageLayout();
    for (QPageSize::PageSizeId id : kPapers) m_Paper->addItem(QPageSize::name(id), int(id));
    const int now = m_Paper->findData(int(page.pageSize().id()));
    if (now < 0) m_Paper->addItem(page.pageSize().name(), int(page.pageSize().id()));
    m_Paper->setCurrentIndex(now < 0 ? m_Paper->count() - 1 : now);
    form->addRow("Paper si&ze:", m_Paper);

    auto* orientation = new QHBoxLayout;
    m_Portrait = new QRadioButton("P&ortrait", this);
    m_Portrait->setObjectName("portrait");
    m_Landscape = new QRadioButton("&Landscape", this);
    m_Landscape->setObjectName("landscape");
    (page.orientation() == QPageLayout::Landscape ? m_Landscape : m_Portrait)->setChecked(true);
    orientation->addWidget(m_Portrait);
    orientation->addWidget(m_Landscape);
    form->addRow("Orientation:", orientation);

    auto* group = new QGroupBox("Printer margins (millimeters)", this);
    auto* margins = new QFormLayout(group);
    const QMarginsF m = page.margins(QPageLayout::Millimeter);
    const double values[4] = {m.left(), m.top(), m.right(), m.bottom()};
    const char* labels[4] = {"Left:", "Top:", "Right:", "Bottom:"};
    const char* names[4] = {"marginLeft", "marginTop", "marginRight", "marginBottom"};
    for (int i = 0; i < 4; ++i) {
        m_Margin[i] = new QLineEdit(FormatDoubleField(values[i]), group);
        m_Margin[i]->setObjectName(names[i]);
        margins->addRow(labels[i], m_Margin[i]);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

bool CDlgPrintSetup::Apply() {
    double m[4];
    for (int i = 0; i < 4; ++i) {
        if (!ParseDoubleField(m_Margin[i]->text(), m[i]) || m[i] < 0) {
            MsgBox("Please enter a margin of 0 or more millimeters.", MB_OK | MB_ICONWARNING);
            m_Margin[i]->setFocus();
            return false;
        }
    }
    const QString name = m_PrinterName->currentData().toString();
    if (name.isEmpty()) {
        m_Printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_Printer.setOutputFormat(QPrinter::NativeFormat);
        m_Printer.setPrinterName(name);
    }
    // The new printer's smallest margins hold from here on.
    QPageLayout page = m_Printer.pageLayout();
    page.setPageSize(QPageSize(QPageSize::PageSizeId(m_Paper->currentData().toInt())));
    page.setOrientation(m_Landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    page.setUnits(QPageLayout::Millimeter);
    page.setMode(QPageLayout::FullPageMode);
    page.setMargins(QMarginsF(m[0], m[1], m[2], m[3]));
    page.setMode(QPageLayout::StandardMode);
    if (!m_Printer.setPageLayout(page)) {
        MsgBox("The printer can not print that close to the edge of the paper.", MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

void CDlgPrintSetup::accept() {
    if (Apply()) QDialog::accept();
}
