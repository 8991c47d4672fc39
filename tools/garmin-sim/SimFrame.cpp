#include "SimFrame.h"

#include <algorithm>

namespace {

// No frame of the protocol is longer; anything beyond is noise that never ended.
constexpr std::size_t kMaxBody = 1 + 1 + 255 + 1;

void PutStuffed(Bytes& out, std::uint8_t b) {
    out.push_back(b);
    if (b == kDle) out.push_back(kDle);
}

}  // namespace

Bytes EncodeFrame(std::uint8_t id, const Bytes& data, std::uint8_t checksumOffset) {
    // The size byte bounds a packet; the frame always agrees with it.
    const auto n = std::uint8_t(std::min<std::size_t>(data.size(), 255));
    std::uint8_t sum = std::uint8_t(id + n);
    Bytes out{kDle, id};
    PutStuffed(out, n);
    for (std::size_t i = 0; i < n; ++i) {
        sum = std::uint8_t(sum + data[i]);
        PutStuffed(out, data[i]);
    }
    PutStuffed(out, std::uint8_t(-sum + checksumOffset));
    out.push_back(kDle);
    out.push_back(kEtx);
    return out;
}

void FrameDecoder::Reset() {
    m_Stage = Stage::Hunt;
    m_Body.clear();
}

void FrameDecoder::Push(const std::uint8_t* p, std::size_t n, std::vector<Frame>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = p[i];
        switch (m_Stage) {
            case Stage::Hunt:
                if (b == kDle) m_Stage = Stage::HuntDle;
                break;
            case Stage::HuntDle:
                if (b == kDle) break;  // a run of DLEs: the last one may open the frame
                if (b == kEtx) {
                    m_Stage = Stage::Hunt;
                    break;
                }
                m_Body.assign(1, b);
                m_Stage = Stage::Body;
                break;
            case Stage::Body:
                if (b == kDle) {
                    m_Stage = Stage::BodyDle;
                } else if (m_Body.size() >= kMaxBody) {
                    Reset();
                } else {
                    m_Body.push_back(b);
                }
                break;
            case Stage::BodyDle:
                if (b == kDle) {
                    if (m_Body.size() >= kMaxBody) {
                        Reset();
                    } else {
                        m_Body.push_back(kDle);
                        m_Stage = Stage::Body;
                    }
                } else if (b == kEtx) {
                    Frame f;
                    f.unstuffed = m_Body;
                    std::uint8_t sum = 0;
                    for (std::uint8_t c : m_Body) sum = std::uint8_t(sum + c);
                    f.valid = m_Body.size() >= 3 && m_Body[1] == m_Body.size() - 3 && sum == 0;
                    f.packet.id = m_Body[0];
                    if (f.valid) f.packet.data.assign(m_Body.begin() + 2, m_Body.end() - 1);
                    out.push_back(std::move(f));
                    Reset();
                } else {
                    // DLE and an id inside a frame: the sender gave up on the old one.
                    m_Body.assign(1, b);
                    m_Stage = Stage::Body;
                }
                break;
        }
    }
}
