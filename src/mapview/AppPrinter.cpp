#include "mapview/AppPrinter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>

namespace {

QPrinter* s_Printer = nullptr;

bool LocalPortAnswers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // On the loopback a closed port refuses at once.
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return answers;
}

bool Exists(const QString& path) { return QFileInfo::exists(path); }

}  // namespace

QPrinter* NewAppPrinter() {
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setFullPage(false);
    if (QPrinterInfo::defaultPrinter().isNull()) printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

QPrinter& AppPrinter() {
    // Never destroyed: it must outlive every window, and may outlive the
    // QApplication at exit, which a QPrinter destructor does not expect.
    if (!s_Printer) s_Printer = NewAppPrinter();
    return *s_Printer;
}

bool AppPrinterMade() { return s_Printer != nullptr; }

QPageLayout NoPrinterPageLayout() {
    // What Qt's PDF engine, which a printer without a system printer falls
    // back on, starts with: 10 pt margins.
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Point);
}

bool SystemMayHavePrinter() {
    // Qt asks the print server only through its print plugin.
    bool plugin = false;
    for (const QString& dir : QCoreApplication::libraryPaths())
        if (!QDir(dir + "/printsupport").entryList(QDir::Files).isEmpty()) plugin = true;
    if (!plugin) return false;
    // The places the print system's client library looks for a server, a
    // server of its own, and the network printer discovery it falls back on.
    for (const char* v : {"CUPS_SERVER", "CUPS_SERVERROOT", "IPP_PORT"})
        if (std::getenv(v)) return true;
    const QString home = QDir::homePath();
    for (const QString& path : {home + "/.cups/client.conf", QString("/etc/cups/client.conf"),
                                QString("/run/cups/cups.sock"), QString("/var/run/cups/cups.sock"),
                                QString("/run/avahi-daemon/socket"), QString("/var/run/avahi-daemon/socket")})
        if (Exists(path)) return true;
    return LocalPortAnswers(631);
}

QPageLayout AppPrinterPageLayout() {
    static const bool mayHavePrinter = SystemMayHavePrinter();
    if (!s_Printer && !mayHavePrinter) return NoPrinterPageLayout();
    return AppPrinter().pageLayout();
}
