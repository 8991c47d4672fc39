#include "mapview/AppPrinter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
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
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

QPrinter* s_Printer = nullptr;

// Whether something listens on the port of the loopback (IPv4 or IPv6). A
// closed port refuses at once; no answer within a moment counts as one.
bool LocalPortAnswers(int port) {
    for (const int family : {AF_INET, AF_INET6}) {
        const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) continue;
        sockaddr_in a4{};
        sockaddr_in6 a6{};
        a4.sin_family = AF_INET;
        a4.sin_port = htons(std::uint16_t(port));
        a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a6.sin6_family = AF_INET6;
        a6.sin6_port = htons(std::uint16_t(port));
        a6.sin6_addr = in6addr_loopback;
        const bool v4 = family == AF_INET;
        int rc = v4 ? ::connect(fd, reinterpret_cast<sockaddr*>(&a4), sizeof a4)
                    : ::connect(fd, reinterpret_cast<sockaddr*>(&a6), sizeof a6);
        bool answers = rc == 0;
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int error = 0;
            socklen_t len = sizeof error;
            answers = ::poll(&p, 1, 200) != 1 ||
                      (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0);
        }
        ::close(fd);
        if (answers) return true;
    }
    return false;
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
