#pragma once
// A serial port for the receiver links: raw bytes at a fixed speed, reads
// that never wait, writes that hand over every byte. Real ports, USB adapters
// and pseudo-terminals all go through it.

#include <cstddef>
#include <string>
#include <vector>

// What a protocol needs of a port; tests put a fake in its place.
class ISerialIO {
public:
    virtual ~ISerialIO() = default;
    virtual bool IsOpen() const = 0;
    // Bytes that have arrived, at most size, without waiting: the count read,
    // 0 when nothing has arrived yet, -1 on an error.
    virtual long Read(void* buffer, std::size_t size) = 0;
    // All size bytes or false.
    virtual bool Write(const void* buffer, std::size_t size) = 0;
    // Drops whatever has arrived and not yet been read.
    virtual bool PurgeInput() = 0;
    // False when the system refused to close it (it is released anyway).
    virtual bool Close() = 0;
    // A descriptor to wait on for input; -1 when there is none.
    virtual int Handle() const { return -1; }
};

// Why Open failed: the device could not be had (missing, not allowed, in
// use, not a serial port), or it would not take the settings.
enum class SerialOpenError { None, NotFound, Permission, Busy, NotSerial, GetSettings, SetSettings };

class CSerialPort final : public ISerialIO {
public:
    CSerialPort() = default;
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens the port by name ("/dev/ttyUSB0", or a stored "COM3" / "COM3:"),
    // for this program alone, raw 8N1 without flow control at baud. With
    // lowerModemLines DTR and RTS are dropped; a port without modem lines
    // (a pseudo-terminal) is not an error. On failure the port stays closed
    // and Error()/ErrorText() say why.
    bool Open(const std::string& name, int baud, bool lowerModemLines = true);
    bool IsOpen() const override { return m_Fd >= 0; }
    long Read(void* buffer, std::size_t size) override;
    bool Write(const void* buffer, std::size_t size) override;
    bool PurgeInput() override;
    bool Close() override;
    // Drops (or raises) DTR and RTS; true also where the port has no such lines.
    bool SetModemLines(bool dtr, bool rts);

    int Handle() const override { return m_Fd; }
    SerialOpenError Error() const { return m_Error; }
    // One sentence for the user, naming the device and, for a permission
    // failure, the group that owns it.
    const std::string& ErrorText() const { return m_ErrorText; }

    // The message for a failed Open: the settings failures have their own;
    // anything else is openFailed.
    std::string OpenFailureMessage(const std::string& openFailed) const;

    // The device path of a port name: "COMn" and "COMn:" are /dev/ttyS<n-1>.
    static std::string DevicePath(const std::string& name);

private:
    bool Fail(SerialOpenError error, const std::string& text);

    int m_Fd = -1;
    SerialOpenError m_Error = SerialOpenError::None;
    std::string m_ErrorText;
};

// A serial port of the system: its device path and, where the device says,
// what it is ("USB-Serial Controller").
struct SerialPortEntry {
    std::string path;
    std::string description;
};

// The system's serial ports, sorted by path: the terminal devices of the
// kernel's tty class that sit on a device, without the unused fixed UART
// slots. sysClass is the class folder (another for tests), dev where the
// device files are.
std::vector<SerialPortEntry> ListSerialPorts(const std::string& sysClass = "/sys/class/tty",
                                             const std::string& dev = "/dev/");

// The system's serial ports as device paths, sorted, for a port list.
std::vector<std::string> AvailableSerialPorts();
