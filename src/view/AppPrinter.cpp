#include "view/AppPrinter.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

bool HasDefaultPrinter() { return !QPrinterInfo::defaultPrinter().isNull(); }

QPrinter& AppPrinter() {
    // Never destroyed: it must outlive every window, and may outlive the
    // QApplication at exit, which a QPrinter destructor does not expect.
    static QPrinter* printer = nullptr;
    if (!printer) {
        printer = new QPrinter(QPrinter::HighResolution);
        printer->setFullPage(false);
        if (!HasDefaultPrinter()) printer->setPageSize(QPageSize(QPageSize::A4));
    }
    return *printer;
}
