#pragma once
// The receiver link's packet layer: frames with DLE stuffing and a checksum,
// assembled byte by byte as they arrive, acknowledged, with repeats and
// reply time-outs told apart.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

enum GarminPacketId : std::uint8_t {
    PID_ACK = 6,
    PID_COMMAND = 10,
    PID_XFER_COMPLETE = 12,
    PID_NAK = 21,
    PID_RECORDS = 27,
    PID_ROUTE_HEADER = 29,
    PID_ROUTE_WPT = 30,
    PID_TRACK_POINT = 34,
    PID_WAYPOINT = 35,
    PID_ROUTE_LINK = 98,
    PID_TRACK_HEADER = 99,
    PID_EXT_PRODUCT_DATA = 248,
    PID_PROTOCOL_ARRAY = 253,
    PID_PRODUCT_REQUEST = 254,
    PID_PRODUCT_DATA = 255,
};

// Words of the command and transfer-complete packets.
enum GarminCommand : std::uint16_t { CMD_TRANSFER_RTE = 4, CMD_TRANSFER_TRK = 6, CMD_TRANSFER_WPT = 7 };

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEtx = 0x03;

// The frame of one packet as written: size, data and checksum bytes equal to
// DLE are doubled, the id never is. At most 255 data bytes are framed.
std::vector<std::uint8_t> BuildGarminFrame(std::uint8_t id, const std::uint8_t* data, std::size_t n);

// Assembles received bytes into frames, undoing the stuffing.
class CGarminFrameReader {
public:
    static constexpr int kBufferSize = 1024;
    // The longest valid frame is 261 bytes; only noise is longer, and such a
    // frame is neither kept nor taken for a repeat.
    static constexpr int kKeptSize = 512;

    enum class Step { More, FrameEnd, Overflow };
    // Overflow: kBufferSize bytes without a frame end; they are dropped.
    Step Put(std::uint8_t b);

    struct Frame {
        bool valid = false;
        bool repeat = false;  // the same bytes as the frame completed before it
        std::uint8_t id = 0;
        std::uint8_t size = 0;  // data bytes of a valid frame
        const std::uint8_t* data = nullptr;
        const std::uint8_t* bytes = nullptr;  // the whole unstuffed frame
        int length = 0;
    };
    // After FrameEnd: checks the frame, keeps it for the next repeat test and
    // starts afresh. The pointers hold until the next Put.
    Frame TakeFrame();
    void Reset();

private:
    std::uint8_t RxBuffer[kBufferSize] = {};
    int RxCount = 0;
    std::uint8_t LastPacket[kKeptSize] = {};
    int LastPacketLength = 0;
    bool DleSeen = false;
};

// One transfer's packet layer on a port. Messages go to the prompter.
// What ReadPacket returns when it has no packet id to give.
enum PacketRead : int {
    kReadPortClosed = -5,
    kReadOverflow = -4,
    kReadInvalidFrame = -3,
    kReadNak = -2,
    kReadTimeout = -1,
    kReadNothing = 0,
};

class CGarminLink {
public:
    CGarminLink();
    ~CGarminLink();

    // Opens the port at 9600 baud 8N1 for this program alone and drops what
    // arrived before; shows the failing step's message.
    bool OpenPort(const std::string& portName);
    // The same on a port opened elsewhere (a test's fake).
    bool OpenPort(std::unique_ptr<ISerialIO> port);
    // Releases the port; a failed close is shown and returns false.
    bool ClosePort();
    bool IsOpen() const;
    // What the idle pass may wait on while a transfer runs; -1 when closed.
    int PortHandle() const { return m_Port ? m_Port->Handle() : -1; }

    void SendPacket(std::uint8_t id, const std::uint8_t* data, std::size_t n);
    void SendAck(std::uint8_t id);
    // At most one completed packet from what has arrived, without waiting;
    // data needs room for 255 bytes. Results: a PacketRead below 0, nothing
    // yet (or a repeat, acknowledged again, or id 0), 6 an acknowledge, else
    // the id of a new packet, which has been acknowledged.
    int ReadPacket(std::uint8_t* data, int& size);

    int TimeoutSeconds() const { return m_TimeoutSeconds; }
    void SetTimeoutSeconds(int s) { m_TimeoutSeconds = s; }
    // Seconds for the reply time-out; a steady clock unless a test sets one.
    void SetClock(std::function<std::int64_t()> clock);
    // Each frame sent and received as one line; none while unset.
    void SetDebugLog(std::function<void(const std::string&)> log) { m_DebugLog = std::move(log); }

private:
    void Log(const char* prefix, const std::uint8_t* bytes, std::size_t n) const;

    std::unique_ptr<ISerialIO> m_Port;
    CGarminFrameReader m_Reader;
    int m_TimeoutSeconds = 5;
    std::int64_t m_LastSendTime = 0;
    bool m_ReadFailed = false;  // shown once, not on every idle step
    std::function<std::int64_t()> m_Clock;
    std::function<void(const std::string&)> m_DebugLog;
};
