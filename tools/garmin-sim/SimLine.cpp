#include "SimLine.h"

#include <fcntl.h>
#include <poll.h>
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
    // The terminal's settings outlive this open, so a host that forgets raw
    // mode still gets every byte unchanged; closing it again leaves the
    // master hung up until the host opens the line.
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || !MakeRaw(slave)) {
        error = Failed("pseudo-terminal slave");
        if (slave >= 0) ::close(slave);
        ::close(fd);
        return false;
    }
    ::close(slave);
    line = {fd, true, name};
    return true;
}

bool OpenExistingPort(const std::string& path, SimLine& line, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = Failed(path);
        return false;
    }
    MakeRaw(fd);  // not a terminal (a FIFO, say): bytes pass as they are anyway
    line = {fd, false, path};
    return true;
}

int Serve(const SimLine& line, SimReceiver& rx, const ServeOptions& options) {
    Pacer pacer(options.baud);
    bool hostOpen = false;
    std::uint8_t buf[4096];
    for (;;) {
        pollfd pfd{line.fd, POLLIN, 0};
        if (::poll(&pfd, 1, 200) < 0 && errno != EINTR) return 1;
        bool hungUp = (pfd.revents & POLLHUP) && !(pfd.revents & POLLIN);
        if (pfd.revents & POLLIN) {
            const ssize_t n = ::read(line.fd, buf, sizeof buf);
            if (n > 0) {
                hostOpen = true;
                rx.Receive(buf, std::size_t(n));
            } else if (n == 0 || errno == EIO) {
                hungUp = true;
            }
        }
        if (hungUp) {
            if (!line.pty) return 0;
            if (hostOpen) {
                // Hosts may close and reopen the line within one run, after identifying the receiver.
                hostOpen = false;
                if (options.once && rx.TransferDone()) return 0;
                rx.Reset();
            }
            // A pseudo-terminal nobody has open reports a hang-up at once; wait for the host.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (line.pty && !(pfd.revents & POLLHUP)) hostOpen = true;
        pacer.Write(line.fd, rx.TakeOutput());
    }
}
