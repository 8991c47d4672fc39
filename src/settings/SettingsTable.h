#pragma once
// The settings file as one table: every key with its section, its field in
// AppSettings and how it is written. Defaults are those of a freshly made
// AppSettings, so a key, its field and its default are named once.

#include <climits>
#include <string>

#include "platform/Profile.h"
#include "settings/AppSettings.h"

// What a number setting may hold; the file and the Preferences dialog are
// held to the same range.
struct IntRange {
    int lo, hi;
    int Clamp(int v) const { return v < lo ? lo : v > hi ? hi : v; }
    bool Holds(int v) const { return v >= lo && v <= hi; }
};

// Grow steps and the undo stack size: a step below 1 leaves a store unable
// to grow, and each step is allocated at once (an undo entry is 24 bytes, a
// waypoint record about as much), so the tops keep a slip of the keyboard
// from claiming gigabytes at start-up.
inline constexpr IntRange kNamedWptBaseGrowRange{1, 100000};
inline constexpr IntRange kAutoWptBaseGrowRange{1, 10000};
inline constexpr IntRange kNamedIndexGrowRange{1, 100000};
inline constexpr IntRange kTrackLogGrowRange{1, 100000};
inline constexpr IntRange kUndoStackSizeRange{1, 100000};
// The log interval counts fixes; 0 keeps only each segment's start and the
// live end (a negative interval reads as 0).
inline constexpr IntRange kGpsLogIntervalRange{0, INT_MAX};

// The reading stages of start-up, in their order: the datum and the debug
// log are set up between the first and the second.
enum class SettingsStage {
    Preferences,               // PREFERENCES without "First Time"
    DmrWindowViewPrinting,     // DMR, WINDOW, VIEW, PRINTING
    AppearanceSearchFirstTime  // APPEARANCE without the scheme choices, SEARCH, "First Time"
};

void ReadSettings(const CProfile& ini, AppSettings& s, SettingsStage stage);
// Every stored key in the order a new file lists them.
void WriteSettings(CProfile& ini, const AppSettings& s);

// The APPEARANCE key naming the scheme chosen for a map series on the screen
// or on paper; the scheme loader reads it, WriteSettings writes it.
std::string SchemeChoiceKey(int series, int medium);
extern const char* const kAppearanceSection;
