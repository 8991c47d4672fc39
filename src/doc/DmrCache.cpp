#include "doc/DmrCache.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "geo/Convert.h"
#include "platform/ByteOrder.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

CDmrCache::~CDmrCache() {
    for (int q = 0; q < kQuadrantCount; ++q)
        if (m_OwnFlags[std::size_t(q)]) CloseDmrQuadrant(q, m_OwnFlags);
}

int CDmrCache::ReadDmrQuadrant(int q, QuadrantFlags& flags) {
    if (!Valid(q)) return 0;
    if (flags[std::size_t(q)]) return 1;  // this consumer holds it already
    int result = 1;
    if (m_Claims[q] == 0) {
        if (!m_Heights[q]) {
            m_Heights[q].reset(new (std::nothrow) std::int16_t[kEntries]);
            if (!m_Heights[q]) {
                MsgBox("Internal Error! Not enough memory for DmrData in ReadDmrQuadrant!");
                return 0;
            }
        }
        const std::string path = m_Settings.dmrDataDir + "Q_" + QuadrantName(q) + "_DMR.dat";
        std::int16_t* z = m_Heights[q].get();
        std::size_t got = 0;
        if (std::FILE* f = OpenDataFile(path)) {
            unsigned char buf[2 * kEntries];
            got = std::fread(buf, 2, kEntries, f);
            std::fclose(f);
            for (std::size_t i = 0; i < got; ++i) z[i] = LoadLE16s(buf + 2 * i);
        } else {
            result = 0;
        }
        // Nodes the file does not hold read as "no height".
        for (std::size_t i = got; i < std::size_t(kEntries); ++i) z[i] = -1;
    } else if (!m_Heights[q]) {
        MsgBox("Fatal Error! DmrQInUse > 0, but DmrData does not exist in ReadDmrQuadrant");
    }
    ++m_Claims[q];
    flags[std::size_t(q)] = 1;
    return result;
}

void CDmrCache::CloseDmrQuadrant(int q, QuadrantFlags& flags) {
    if (!Valid(q) || !flags[std::size_t(q)]) return;
    if (m_Claims[q] <= 0) {
        m_Claims[q] = 0;
        MsgBox("Error! DmrQInUse is alerady zero or less in CloseDmrQuadrant");
    } else {
        --m_Claims[q];
    }
    if (m_Claims[q] == 0) {
        if (!m_Heights[q]) MsgBox("Error! DmrData does not exist in CloseDmrQuadrant");
        m_Heights[q].reset();
    }
    flags[std::size_t(q)] = 0;
}

double CDmrCache::GetDmrZClaiming(int n, int e, QuadrantFlags& flags, bool absolute) {
    const int q = GetQuadrantIndex(100.0 * e, 100.0 * n);
    if (q < 0) return -1.0;
    if (!flags[std::size_t(q)]) ReadDmrQuadrant(q, flags);
    if (!m_Heights[q]) {
        MsgBox("Fatal Error! DmrData not allocated after ReadDmrQuadrant in GetDmrZ");
        return -1.0;
    }
    // Inside the area n and e are positive, so the remainders are the node.
    const double z = m_Heights[q][(n % kSide) * kSide + (e % kSide)] / 100.0;
    return absolute ? std::fabs(z) : z;
}

double CDmrCache::GetDmrZAt(double E, double N) {
    return GetDmrZ(SaturateToInt((N + 50) / 100), SaturateToInt((E + 50) / 100), m_OwnFlags, false);
}
