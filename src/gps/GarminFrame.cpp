#include "gps/GarminFrame.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "gps/ReceiverPort.h"
#include "platform/Prompt.h"

std::vector<std::uint8_t> BuildGarminFrame(std::uint8_t id, const std::uint8_t* data, std::size_t n) {
    if (n > 255) n = 255;
    std::vector<std::uint8_t> frame;
    frame.reserve(6 + 2 * (n + 2));
    auto stuffed = [&frame](std::uint8_t b) {
        frame.push_back(b);
        if (b == kDle) frame.push_back(kDle);
    };
    std::uint8_t sum = std::uint8_t(id + n);
    frame.push_back(kDle);
    frame.push_back(id);
    stuffed(std::uint8_t(n));
    for (std::size_t i = 0; i < n; ++i) {
        stuffed(data[i]);
        sum = std::uint8_t(sum + data[i]);
    }
    stuffed(std::uint8_t(-sum));
    frame.push_back(kDle);
    frame.push_back(kEtx);
    return frame;
}

CGarminFrameReader::Step CGarminFrameReader::Put(std::uint8_t b) {
    if (RxCount >= kBufferSize) {
        RxCount = 0;
        DleSeen = false;
        return Step::Overflow;
    }
    bool end = false;
    if (DleSeen) {
        DleSeen = false;
        if (b == kDle) {
            --RxCount;  // the doubled DLE stands for one
        } else if (b == kEtx) {
            end = true;
        } else {
            // A DLE and an id start a frame, whatever came before them.
            RxBuffer[0] = kDle;
            RxCount = 1;
        }
    } else if (b == kDle && RxCount > 0) {
        DleSeen = true;
    }
    RxBuffer[RxCount++] = b;
    return end ? Step::FrameEnd : Step::More;
}

CGarminFrameReader::Frame CGarminFrameReader::TakeFrame() {
    Frame f;
    const int L = RxCount;
    f.bytes = RxBuffer;
    f.length = L;
    if (L >= 6 && RxBuffer[0] == kDle && RxBuffer[L - 2] == kDle && RxBuffer[L - 1] == kEtx &&
        RxBuffer[2] == L - 6) {
        std::uint8_t sum = 0;
        for (int i = 1; i <= L - 3; ++i) sum = std::uint8_t(sum + RxBuffer[i]);
        f.valid = sum == 0;
    }
    if (f.valid) {
        f.id = RxBuffer[1];
        f.size = RxBuffer[2];
        f.data = RxBuffer + 3;
    }
    f.repeat =
        L <= kKeptSize && L == LastPacketLength && std::memcmp(RxBuffer, LastPacket, std::size_t(L)) == 0;
    if (L <= kKeptSize) {
        std::memcpy(LastPacket, RxBuffer, std::size_t(L));
        LastPacketLength = L;
    } else {
        LastPacketLength = 0;
    }
    RxCount = 0;
    DleSeen = false;
    return f;
}

void CGarminFrameReader::Reset() {
    RxCount = 0;
    LastPacketLength = 0;
    DleSeen = false;
}

CGarminLink::CGarminLink() { SetClock(nullptr); }

CGarminLink::~CGarminLink() {
    if (m_Port) m_Port->Close();
}

void CGarminLink::SetClock(std::function<std::int64_t()> clock) {
    if (!clock) {
        clock = [] {
            using namespace std::chrono;
            return std::int64_t(duration_cast<seconds>(steady_clock::now().time_since_epoch()).count());
        };
    }
    m_Clock = std::move(clock);
}

bool CGarminLink::IsOpen() const { return m_Port && m_Port->IsOpen(); }

bool CGarminLink::OpenPort(const std::string& portName) {
    ClosePort();  // our own open copy would refuse the new one
    std::string failure;
    std::unique_ptr<ISerialIO> port =
        OpenReceiverPort(portName, 9600, true, "GPS up/downloading will not start!", failure);
    if (!port) {
        MsgBox(failure, MB_OK);
        return false;
    }
    return OpenPort(std::move(port));
}

bool CGarminLink::OpenPort(std::unique_ptr<ISerialIO> port) {
    ClosePort();
    m_Port = std::move(port);
    std::string failure = "Error! Can not PurgeComm!";
    if (!m_Port || !PurgeReceiverPort(*m_Port, failure)) {
        ClosePort();
        MsgBox(failure, MB_OK);
        return false;
    }
    m_Reader.Reset();
    m_TimeoutSeconds = 5;
    m_ReadFailed = false;
    m_LastSendTime = m_Clock();
    return true;
}

bool CGarminLink::ClosePort() {
    if (!m_Port) return true;
    auto port = std::move(m_Port);
    if (port->IsOpen() && !port->Close()) {
        MsgBox("Error! Can not close com port handle!", MB_OK);
        return false;
    }
    return true;
}

void CGarminLink::Log(const char* prefix, const std::uint8_t* bytes, std::size_t n) const {
    if (!m_DebugLog) return;
    std::string line = prefix;
    char num[8];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(num, sizeof num, "%.3d,", bytes[i]);
        line += num;
    }
    line += '\n';
    m_DebugLog(line);
}

void CGarminLink::SendPacket(std::uint8_t id, const std::uint8_t* data, std::size_t n) {
    if (!IsOpen()) {
        MsgBox("Internal Error! Garmin port not opened.", MB_OK);
        return;
    }
    const std::vector<std::uint8_t> frame = BuildGarminFrame(id, data, n);
    if (!m_Port->Write(frame.data(), frame.size())) MsgBox("Write Error!", MB_OK);
    Log("Sending: ", frame.data(), frame.size());
    m_LastSendTime = m_Clock();
}

void CGarminLink::SendAck(std::uint8_t id) {
    const std::uint8_t data[2] = {id, 0};
    SendPacket(PID_ACK, data, 2);
}

int CGarminLink::ReadPacket(std::uint8_t* data, int& size) {
    size = 0;
    if (!IsOpen()) return kReadPortClosed;
    // One byte per read: what follows a frame stays queued in the port, where
    // a wait for input still sees it.
    for (;;) {
        std::uint8_t b;
        const long got = m_Port->Read(&b, 1);
        if (got < 0) {
            if (!m_ReadFailed) MsgBox("Read Error!", MB_OK);
            m_ReadFailed = true;
            break;
        }
        if (got == 0) break;
        m_ReadFailed = false;
        const CGarminFrameReader::Step step = m_Reader.Put(b);
        if (step == CGarminFrameReader::Step::Overflow) return kReadOverflow;
        if (step == CGarminFrameReader::Step::FrameEnd) {
            const CGarminFrameReader::Frame f = m_Reader.TakeFrame();
            Log(f.valid ? "Recieved (OK): " : "Recieved (ERROR): ", f.bytes, std::size_t(f.length));
            if (!f.valid) return kReadInvalidFrame;
            std::memcpy(data, f.data, f.size);
            size = f.size;
            if (f.id == PID_NAK) return kReadNak;
            if (f.id == PID_ACK) return PID_ACK;
            SendAck(f.id);
            return f.repeat ? int(kReadNothing) : int(f.id);
        }
    }
    return m_Clock() - m_LastSendTime > m_TimeoutSeconds ? kReadTimeout : kReadNothing;
}
