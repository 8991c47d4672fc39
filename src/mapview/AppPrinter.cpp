#include "mapview/AppPrinter.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

QPrinter& AppPrinter() {
    // Never destroyed: it must outlive every window, and may outlive the
    // QApplication at exit, which a QPrinter destructor does not expect.
    static QPrinter* printer = nullptr;
    if (!printer) {
        printer = new QPrinter(QPrinter::HighResolution);
        printer->setFullPage(false);
        if (QPrinterInfo::defaultPrinter().isNull()) printer->setPageSize(QPageSize(QPageSize::A4));
    }
    return *printer;
}
