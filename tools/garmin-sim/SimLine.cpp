#include "SimLine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "SimReceiver.h"

namespace {

using Clock = std::chrono::steady_clock;

bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string Failed(const std::string& what) { return what + ": " + std::strerror(errno); }

// Writes everything, waiting a while for room when the host is slow to read;
// a host that has gone away loses the rest.
void WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w > 0) {
            p += w;
            n -= std::size_t(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{fd, POLLOUT, 0};
            if (::poll(&pfd, 1, 1000) <= 0) return;
        } else {
            return;
        }
    }
}

// Keeps the bytes to the line rate: each byte is written once its time on
// the wire has passed, counted from the end of the previous one.
class Pacer {
public:
    explicit Pacer(int baud)
        : m_ByteTime(baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud) : Clock::duration::zero()) {
    }

    void Write(int fd, const Bytes& bytes) {
        if (m_ByteTime == Clock::duration::zero()) {
            WriteAll(fd, bytes.data(), bytes.size());
            return;
        }
        m_Next = std::max(m_Next, Clock::now());
        for (std::uint8_t b : bytes) {
            m_Next += m_ByteTime;
            std::this_thread::sleep_until(m_Next);
            WriteAll(fd, &b, 1);
        }
    }

private:
    Clock::duration m_ByteTime;
    Clock::time_point m_Next{};
};

}  // namespace

bool OpenPseudoTerminal(SimLine& line, std::string& error) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        error = Failed("pseudo-terminal");
        if (fd >= 0) ::close(fd);
        return false;
    }
    const char* name = ::ptsname(fd);
    // We keep the slave open ourselves: a host that opens the line exclusively
    // leaves that mark behind when it closes, and only an open descriptor can
    // take it off again for the next session. Its raw mode also serves a host
    // that never sets one.
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || !MakeRaw(slave)) {
        error = Failed("pseudo-terminal slave");
        if (slave >= 0) ::close(slave);
        ::close(fd);
        return false;
    }
    // With our own descriptor open the master never hangs up, so the host's
    // opens and closes are watched on the device node instead.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        error = Failed("watching " + std::string(name));
        if (watch >= 0) ::close(watch);
        ::close(slave);
        ::close(fd);
        return false;
    }
    line = {fd, slave, watch, name};
    return true;
}

bool OpenExistingPort(const std::string& path, SimLine& line, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = Failed(path);
        return false;
    }
    MakeRaw(fd);  // not a terminal (a FIFO, say): bytes pass as they are anyway
    line = {fd, -1, -1, path};
    return true;
}

int Serve(const SimLine& line, SimReceiver& rx, const ServeOptions& options) {
    Pacer pacer(options.baud);
    int hostOpens = 0;
    std::uint8_t buf[4096];
    for (;;) {
        pollfd pfd[2] = {{line.fd, POLLIN, 0}, {line.watch, POLLIN, 0}};
        if (::poll(pfd, line.watch >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return 1;
        if (pfd[0].revents & POLLIN) {
            const ssize_t n = ::read(line.fd, buf, sizeof buf);
            if (n > 0) rx.Receive(buf, std::size_t(n));
            if (n == 0 || (n < 0 && errno == EIO)) return 0;  // the given port went away
        } else if (pfd[0].revents & (POLLHUP | POLLERR)) {
            return 0;
        }
        pacer.Write(line.fd, rx.TakeOutput());
        if (line.watch < 0 || !(pfd[1].revents & POLLIN)) continue;
        alignas(inotify_event) char events[4096];
        const ssize_t n = ::read(line.watch, events, sizeof events);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            if (e->mask & IN_OPEN) ++hostOpens;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) --hostOpens;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
        if (hostOpens > 0) continue;
        // The host has closed the line; hosts may reopen it within one run, after identifying the receiver.
        hostOpens = 0;
        ::ioctl(line.slave, TIOCNXCL);
        ::tcflush(line.slave, TCIFLUSH);      // what the host left unread is not for the next one
        const bool done = rx.TransferDone();  // Reset clears it
        rx.Reset();
        if (options.once && done) return 0;
    }
}
