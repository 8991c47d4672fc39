#pragma once
// The receiver's side of the serial link: DLE-framed packets with byte
// stuffing and a two's-complement checksum.

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEtx = 0x03;

struct SimPacket {
    std::uint8_t id = 0;
    Bytes data;
};

// One packet as it goes on the wire. checksumOffset is added to the correct
// checksum, so a nonzero value makes a frame the host must refuse.
Bytes EncodeFrame(std::uint8_t id, const Bytes& data, std::uint8_t checksumOffset = 0);

// Gathers frames from a byte stream that may hold noise and arrive in any
// pieces. A frame starts at a DLE followed by a byte that is neither DLE nor
// ETX, so noise in front of it is dropped.
class FrameDecoder {
public:
    struct Frame {
        bool valid = false;  // size byte and checksum agree with the data
        SimPacket packet;
        Bytes unstuffed;  // id, size, data, checksum as received
    };

    // Feeds bytes; completed frames are appended to out.
    void Push(const std::uint8_t* p, std::size_t n, std::vector<Frame>& out);
    void Reset();

private:
    enum class Stage { Hunt, HuntDle, Body, BodyDle };
    Stage m_Stage = Stage::Hunt;
    Bytes m_Body;
};
