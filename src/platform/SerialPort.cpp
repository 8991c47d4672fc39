#include "platform/SerialPort.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

speed_t SpeedOf(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

std::string OwnerGroup(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    char buf[1024];
    struct group grp {};
    struct group* found = nullptr;
    if (getgrgid_r(st.st_gid, &grp, buf, sizeof buf, &found) == 0 && found) return found->gr_name;
    return std::to_string(st.st_gid);
}

// A write that would block waits this long for room before it gives up.
constexpr int kWriteStallMs = 10000;

}  // namespace

CSerialPort::~CSerialPort() { Close(); }

std::string CSerialPort::DevicePath(const std::string& name) {
    std::string n = name;
    if (!n.empty() && n.back() == ':') n.pop_back();
    if (n.size() > 3 && (n[0] == 'C' || n[0] == 'c') && (n[1] == 'O' || n[1] == 'o') &&
        (n[2] == 'M' || n[2] == 'm') &&
        std::all_of(n.begin() + 3, n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int number = n.size() <= 6 ? std::stoi(n.substr(3)) : 0;
        if (number >= 1) return "/dev/ttyS" + std::to_string(number - 1);
    }
    return name;
}

bool CSerialPort::Fail(SerialOpenError error, const std::string& text) {
    if (m_Fd >= 0) {
        ::close(m_Fd);
        m_Fd = -1;
    }
    m_Error = error;
    m_ErrorText = text;
    return false;
}

bool CSerialPort::Open(const std::string& name, int baud, bool lowerModemLines) {
    Close();
    m_Error = SerialOpenError::None;
    m_ErrorText.clear();
    const std::string path = DevicePath(name);
    const speed_t speed = SpeedOf(baud);
    if (speed == B0)
        return Fail(SerialOpenError::SetSettings, "The speed " + std::to_string(baud) + " is not supported.");

    m_Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_Fd < 0) {
        const int e = errno;
        if (e == EACCES || e == EPERM) {
            const std::string group = OwnerGroup(path);
            return Fail(SerialOpenError::Permission,
                        "Permission denied for " + path +
                            (group.empty() ? std::string(".")
                                           : "; the user may need to be a member of the group \"" + group +
                                                 "\" that owns it."));
        }
        if (e == EBUSY) return Fail(SerialOpenError::Busy, path + " is in use by another program.");
        if (e == ENOENT || e == ENODEV || e == ENXIO)
            return Fail(SerialOpenError::NotFound, path + " does not exist.");
        return Fail(SerialOpenError::NotFound, path + ": " + std::strerror(e) + ".");
    }
    // The advisory lock keeps out our own second opener and other programs
    // that lock; TIOCEXCL keeps out everyone else but root.
    if (flock(m_Fd, LOCK_EX | LOCK_NB) != 0)
        return Fail(SerialOpenError::Busy, path + " is in use by another program.");
    if (!isatty(m_Fd)) return Fail(SerialOpenError::NotSerial, path + " is not a serial port.");
    ioctl(m_Fd, TIOCEXCL);

    termios tio{};
    if (tcgetattr(m_Fd, &tio) != 0)
        return Fail(SerialOpenError::GetSettings, path + ": can not read the port settings.");
    cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(m_Fd, TCSANOW, &tio) != 0)
        return Fail(SerialOpenError::SetSettings, path + ": can not set the port settings.");
    if (lowerModemLines && !SetModemLines(false, false))
        return Fail(SerialOpenError::SetSettings, path + ": can not set DTR and RTS.");
    return true;
}

bool CSerialPort::SetModemLines(bool dtr, bool rts) {
    if (m_Fd < 0) return false;
    int raise = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int lower = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    bool ok = (raise == 0 || ioctl(m_Fd, TIOCMBIS, &raise) == 0) &&
              (lower == 0 || ioctl(m_Fd, TIOCMBIC, &lower) == 0);
    // A pseudo-terminal or a bare adapter has no modem lines.
    return ok || errno == ENOTTY || errno == EINVAL || errno == ENOTSUP;
}

long CSerialPort::Read(void* buffer, std::size_t size) {
    if (m_Fd < 0) return -1;
    for (;;) {
        const ssize_t n = ::read(m_Fd, buffer, size);
        if (n >= 0) return long(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

bool CSerialPort::Write(const void* buffer, std::size_t size) {
    if (m_Fd < 0) return false;
    const auto* p = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::write(m_Fd, p, size);
        if (n > 0) {
            p += n;
            size -= std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        pollfd pfd{m_Fd, POLLOUT, 0};
        const int r = poll(&pfd, 1, kWriteStallMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || (pfd.revents & (POLLERR | POLLNVAL))) return false;
    }
    return true;
}

bool CSerialPort::PurgeInput() { return m_Fd >= 0 && tcflush(m_Fd, TCIFLUSH) == 0; }

bool CSerialPort::Close() {
    if (m_Fd < 0) return true;
    const int fd = m_Fd;
    m_Fd = -1;
    // A pseudo-terminal outlives our descriptor; let the next transfer open it.
    ioctl(fd, TIOCNXCL);
    return ::close(fd) == 0;
}

std::string CSerialPort::OpenFailureMessage(const std::string& openFailed) const {
    switch (m_Error) {
        case SerialOpenError::GetSettings:
            return "Error! Can not get CommState!";
        case SerialOpenError::SetSettings:
            return "Error! Can not set CommState!";
        default:
            return openFailed;
    }
}

namespace {

// The first line of a small attribute file; empty when it cannot be read.
std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

}  // namespace

std::vector<SerialPortEntry> ListSerialPorts(const std::string& sysClass, const std::string& dev) {
    namespace fs = std::filesystem;
    std::vector<SerialPortEntry> ports;
    std::error_code ec;
    for (fs::directory_iterator it(sysClass, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        // Consoles and pseudo-terminals have no device beneath them.
        const fs::path device = entry / "device";
        if (!fs::exists(device, ec)) continue;
        // A UART driver keeps a slot per possible port; a slot without a
        // port has type 0 (unknown).
        const std::string type = FirstLine(entry / "type");
        if (!type.empty() && type == "0") continue;
        SerialPortEntry port{dev + entry.filename().string(), {}};
        // The name of the device, a few folders up for USB adapters.
        fs::path up = fs::canonical(device, ec);
        for (int k = 0; !ec && k < 4 && port.description.empty() && up.has_parent_path();
             ++k, up = up.parent_path())
            port.description = FirstLine(up / "product");
        ec.clear();
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path < b.path; });
    return ports;
}

std::vector<std::string> AvailableSerialPorts() {
    std::vector<std::string> ports;
    for (const SerialPortEntry& p : ListSerialPorts()) ports.push_back(p.path);
    return ports;
}
