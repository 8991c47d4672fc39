#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace {

// The far end of a pseudo-terminal, as a receiver would hold it.
struct Pty {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::string slave;
    Pty() {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
    }
    ~Pty() {
        if (master >= 0) close(master);
    }
};

}  // namespace

TEST(SerialPort, PortNamesMapToDevices) {
    const struct {
        const char* name;
        const char* path;
    } rows[] = {{"COM1", "/dev/ttyS0"}, {"com3:", "/dev/ttyS2"}, {"COM12", "/dev/ttyS11"},
                {"COM0", "COM0"},       {"COMX", "COMX"},        {"/dev/ttyUSB0", "/dev/ttyUSB0"}};
    for (const auto& r : rows) EXPECT_EQ(CSerialPort::DevicePath(r.name), r.path) << r.name;
}

TEST(SerialPort, RawBytesBothWaysOnAnExclusivePseudoTerminal) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.slave, 9600)) << port.ErrorText();  // modem lines lowered on a pty
    EXPECT_TRUE(port.SetModemLines(true, true));

    CSerialPort second;
    EXPECT_FALSE(second.Open(pty.slave, 9600));
    EXPECT_EQ(second.Error(), SerialOpenError::Busy);

    // Bytes a cooked terminal would change, swallow or echo.
    const std::string bytes("\x10\x03\x11\x13\x0d\x0a\x00\x7f\xff\x04\x1a", 11);
    char buf[64];
    auto collect = [&](auto read) {
        std::string got;
        for (int tries = 0; tries < 500 && got.size() < bytes.size(); ++tries) {
            const long n = read();
            if (n <= 0) usleep(1000);
            got.append(buf, std::size_t(std::max(n, 0L)));
        }
        return got;
    };
    ASSERT_EQ(write(pty.master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    EXPECT_EQ(collect([&] { return port.Read(buf, sizeof buf); }), bytes);
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);  // nothing more, and no wait
    EXPECT_TRUE(port.Write(bytes.data(), bytes.size()));
    EXPECT_EQ(collect([&] { return long(read(pty.master, buf, sizeof buf)); }), bytes);  // no echo before it

    ASSERT_EQ(write(pty.master, "stale", 5), 5);
    pollfd arrived{port.Handle(), POLLIN, 0};
    ASSERT_EQ(poll(&arrived, 1, 5000), 1);
    EXPECT_TRUE(port.PurgeInput());
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);

    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(second.Open(pty.slave, 9600)) << second.ErrorText();  // free again once closed
}

TEST(SerialPort, RefusalsSayWhy) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    const struct {
        std::string name;
        int baud;
        SerialOpenError error;
        const char* says;
    } rows[] = {
        {"/dev/no-such-port", 9600, SerialOpenError::NotFound, "/dev/no-such-port"},
        {"/dev/null", 9600, SerialOpenError::NotSerial, "not a serial port"},
        {pty.slave, 1234, SerialOpenError::SetSettings, "1234"},
    };
    for (const auto& r : rows) {
        CSerialPort port;
        EXPECT_FALSE(port.Open(r.name, r.baud));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.Error(), r.error) << r.name;
        EXPECT_NE(port.ErrorText().find(r.says), std::string::npos) << port.ErrorText();
    }

    // A user outside the device's group is told which group that is.
    struct stat st {};
    ASSERT_EQ(stat(pty.slave.c_str(), &st), 0);
    const group* owner = getgrgid(st.st_gid);
    ASSERT_TRUE(owner);
    const std::string hint = std::string("group \"") + owner->gr_name + "\"";
    ASSERT_EQ(chmod(pty.slave.c_str(), 0600), 0);
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped = geteuid() == 0
                                 ? setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0
                                 : chmod(pty.slave.c_str(), 0) == 0;
        CSerialPort port;
        _exit(dropped && !port.Open(pty.slave, 9600) && port.Error() == SerialOpenError::Permission &&
                      port.ErrorText().find(hint) != std::string::npos
                  ? 0
                  : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
}

// The port list from a made-up tty class: ports on a device, by path, with
// the USB adapter's name; no consoles, pseudo-terminals or empty UART slots.
TEST(SerialPort, PortListComesFromTheTtyClass) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vorna-ttyclass-" + std::to_string(getpid()));
    fs::remove_all(root);
    const fs::path cls = root / "class", devices = root / "devices";
    const auto write = [](const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    const struct {
        const char* name;
        const char* device;   // folder under devices/, or none
        const char* type;     // the UART slot's type, or none
        const char* product;  // the name two folders above the device, or none
    } entries[] = {
        {"ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0", nullptr, "USB-Serial Controller"},
        {"ttyS0", "platform/serial8250/tty/ttyS0", "4", nullptr},
        {"ttyS1", "platform/serial8250/tty/ttyS1", "0", nullptr},
        {"ttyACM0", "usb1/1-2/1-2:1.0", nullptr, nullptr},
        {"tty1", nullptr, nullptr, nullptr},
        {"console", nullptr, nullptr, nullptr},
    };
    for (const auto& e : entries) {
        fs::create_directories(cls / e.name);
        if (e.device) {
            fs::create_directories(devices / e.device);
            fs::create_directory_symlink(devices / e.device, cls / e.name / "device");
        }
        if (e.type) write(cls / e.name / "type", std::string(e.type) + "\n");
        if (e.product) write(devices / e.device / ".." / ".." / "product", std::string(e.product) + "\n");
    }
    const std::vector<SerialPortEntry> ports = ListSerialPorts(cls.string(), "/dev/");
    std::vector<std::string> got;
    for (const SerialPortEntry& p : ports) got.push_back(p.path + "|" + p.description);
    EXPECT_EQ(got, (std::vector<std::string>{"/dev/ttyACM0|", "/dev/ttyS0|",
                                             "/dev/ttyUSB0|USB-Serial Controller"}));
    EXPECT_TRUE(ListSerialPorts((root / "none").string()).empty());
    fs::remove_all(root);
}
