#pragma once
// Reading and writing the settings records from and to the INI file. Each
// function handles one stage of start-up or exit, in the order the
// application object calls them.

#include <string>

#include "app/AppSettings.h"
#include "platform/Profile.h"

// Section names as our writer spells them; reading ignores case.
extern const char* const kSecPreferences;  // "PREFERENCES"
extern const char* const kSecDmr;          // "DMR"
extern const char* const kSecWindow;       // "WINDOW"
extern const char* const kSecView;         // "VIEW"
extern const char* const kSecPrinting;     // "PRINTING"
extern const char* const kSecAppearance;   // "APPEARANCE"
extern const char* const kSecSearch;       // "SEARCH"

// PREFERENCES (without "First Time", which is read last). debugMode gets
// "Debug Mode", which is not a record field and never written.
void ReadPreferences(const CProfile& ini, AppSettings& s, int& debugMode);
// DMR, WINDOW, VIEW and PRINTING.
void ReadDmrWindowViewPrinting(const CProfile& ini, AppSettings& s);
// APPEARANCE (apart from the scheme choices), SEARCH and "First Time".
void ReadAppearanceSearchFirstTime(const CProfile& ini, AppSettings& s);

// PREFERENCES, DMR, WINDOW, VIEW, PRINTING and the scheme choice keys.
void WriteSettingsBeforeSchemes(CProfile& ini, const AppSettings& s);
// The other APPEARANCE keys and SEARCH.
void WriteSettingsAfterSchemes(CProfile& ini, const AppSettings& s);

// $HOME + "/vorne/" + sub: where the data folders are by default.
std::string DefaultVorneDir(const std::string& sub);
// Collapses runs of '/' into one; with trailing set an empty path becomes "/"
// and a missing trailing '/' is appended, otherwise one trailing '/' is removed.
// Case is kept: Linux file names are case-sensitive.
std::string NormalizePath(const std::string& path, bool trailing);
// Appends '/' to a non-empty folder that lacks one.
std::string WithTrailingSlash(const std::string& dir);

// Locale-independent number texts for the settings file.
std::string FormatFixed(double v, int decimals);       // "%.<n>f"
std::string FormatScientific(double v, int decimals);  // "%.<n>e"
