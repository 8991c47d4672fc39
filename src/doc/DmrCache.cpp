// The elevation model cache: one grid of 100 x 100 heights per quadrant,
// claim-counted like the map segments.
#include <cmath>
#include <cstdio>
#include <new>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/Prompt.h"

int CVornaDoc::ReadDmrQuadrant(int q, QuadrantFlags& flags) {
    if (q < 0 || q >= kQuadrantCount) return 0;
    if (flags[std::size_t(q)]) return 1;  // this consumer holds it already
    int result = 1;
    if (DmrQInUse[q] == 0) {
        if (DmrData[q]) {
            MsgBox("Error! DmrData already exists in ReadDmrQuadrant");
        } else {
            DmrData[q].reset(new (std::nothrow) std::int16_t[kDmrEntries]);
            if (!DmrData[q]) {
                MsgBox("Internal Error! Not enough memory for DmrData in ReadDmrQuadrant!");
                return 0;
            }
        }
        CVornaApp* app = VornaAppOrNull();
        const std::string path =
            (app ? app->dmrDataDir : std::string()) + "Q_" + QuadrantNames[q] + "_DMR.dat";
        std::int16_t* z = DmrData[q].get();
        std::size_t got = 0;
        if (std::FILE* f = OpenDataFile(path)) {
            unsigned char buf[2 * kDmrEntries];
            got = std::fread(buf, 2, kDmrEntries, f);
            std::fclose(f);
            for (std::size_t i = 0; i < got; ++i) z[i] = std::int16_t(buf[2 * i] | buf[2 * i + 1] << 8);
        } else {
            result = 0;
        }
        // Nodes the file does not hold read as "no height".
        for (std::size_t i = got; i < std::size_t(kDmrEntries); ++i) z[i] = -1;
        DmrModified[q] = 0;
    } else if (!DmrData[q]) {
        MsgBox("Fatal Error! DmrQInUse > 0, but DmrData does not exist in ReadDmrQuadrant");
    }
    ++DmrQInUse[q];
    flags[std::size_t(q)] = 1;
    return result;
}

void CVornaDoc::FreeDmrQuadrant(int q) {
    DmrData[q].reset();
    DmrModified[q] = 0;
}

void CVornaDoc::CloseDmrQuadrant(int q, QuadrantFlags& flags) {
    if (q < 0 || q >= kQuadrantCount || !flags[std::size_t(q)]) return;
    if (DmrQInUse[q] <= 0) {
        DmrQInUse[q] = 0;
        MsgBox("Error! DmrQInUse is alerady zero or less in CloseDmrQuadrant");
    } else {
        --DmrQInUse[q];
    }
    if (DmrQInUse[q] == 0) {
        if (!DmrData[q]) MsgBox("Error! DmrData does not exist in CloseDmrQuadrant");
        FreeDmrQuadrant(q);
    }
    flags[std::size_t(q)] = 0;
}

double CVornaDoc::GetDmrZ(int n, int e, QuadrantFlags& flags, int absFlag) {
    const int q = GetQuadrantIndex(100.0 * e, 100.0 * n);
    if (q < 0) return -1.0;
    if (!flags[std::size_t(q)]) ReadDmrQuadrant(q, flags);
    if (!DmrData[q]) {
        MsgBox("Fatal Error! DmrData not allocated after ReadDmrQuadrant in GetDmrZ");
        return -1.0;
    }
    // Inside the area n and e are positive, so the remainders are the node.
    const double z = DmrData[q][(n % kDmrSide) * kDmrSide + (e % kDmrSide)] / 100.0;
    return absFlag ? std::fabs(z) : z;
}

double CVornaDoc::GetDmrZAt(double E, double N) {
    return GetDmrZ(SaturateToInt((N + 50) / 100), SaturateToInt((E + 50) / 100), DmrOwnFlags, 0);
}
