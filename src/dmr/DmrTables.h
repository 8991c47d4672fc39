#pragma once
// Colours and patch weights the painter looks up per sample, built once.

#include <cstdint>

namespace dmr {

constexpr int kShades = 64;
constexpr int kHeightSteps = 768;  // one per 4 m, index 0 for sea level
constexpr int kPatchSteps = 64;    // a patch side is sampled at 0..64

struct Tables {
    std::uint32_t hypsometric[kHeightSteps][kShades];
    std::uint32_t layer[256][kShades];
    std::uint32_t grey[kShades];
    // Cubic Bernstein weights B_a(u / 64).
    double bernstein[4][kPatchSteps + 1];
};

const Tables& GetTables();

}  // namespace dmr
